// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CameraPortal.h"

namespace mirelon {
namespace {
CameraPortal* installed = nullptr;

std::function<CameraPortal*()>& factory() {
    static std::function<CameraPortal*()> f;
    return f;
}
}  // namespace

CameraPortal& CameraPortal::shared() {
    if (installed) {
        return *installed;
    }
    // Lives for the process.
    static CameraPortal* portal = [] {
        CameraPortal* made = factory() ? factory()() : nullptr;
        return made ? made : new CameraPortal();
    }();
    return *portal;
}

void CameraPortal::setShared(CameraPortal* portal) {
    installed = portal;
}

void CameraPortal::setFactory(std::function<CameraPortal*()> make) {
    factory() = std::move(make);
}

}  // namespace mirelon
