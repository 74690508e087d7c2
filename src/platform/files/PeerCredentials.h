// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <optional>

namespace mirelon {

// The user id of the process at the other end of a connected local socket
// (SO_PEERCRED); none when the system does not say.
std::optional<uint> peerUserId(qintptr socketDescriptor);

// This process's user id.
uint ownUserId();

}  // namespace mirelon
