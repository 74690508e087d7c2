// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/files/PeerCredentials.h"

#include <sys/socket.h>
#include <unistd.h>

namespace mirelon {

std::optional<uint> peerUserId(qintptr socketDescriptor) {
    if (socketDescriptor < 0) {
        return std::nullopt;
    }
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &length) != 0 ||
        length != sizeof credentials) {
        return std::nullopt;
    }
    return static_cast<uint>(credentials.uid);
}

uint ownUserId() {
    return static_cast<uint>(::getuid());
}

}  // namespace mirelon
