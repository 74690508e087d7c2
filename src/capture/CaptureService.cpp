// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureService.h"

namespace mirelon {
namespace {

CaptureService* installedService = nullptr;

std::function<CaptureService*()>& factory() {
    static std::function<CaptureService*()> f;
    return f;
}

// Without a platform: no permission, no inputs.
class NoCaptureService final : public CaptureService {
public:
    CameraAuthorization authorizationStatus() override { return CameraAuthorization::denied; }
    void requestAccess(std::function<void(bool)> answer) override { answer(false); }
    std::shared_ptr<CaptureDeviceInput> makeInput(const QString&, QString* error) override {
        if (error) {
            *error = QStringLiteral("This camera list has no capture service.");
        }
        return nullptr;
    }
};

}  // namespace

CaptureService& CaptureService::shared() {
    if (installedService) {
        return *installedService;
    }
    static CaptureService* service = []() -> CaptureService* {
        if (factory()) {
            if (CaptureService* made = factory()()) {
                return made;
            }
        }
        return new NoCaptureService();
    }();
    return *service;
}

void CaptureService::setShared(CaptureService* service) {
    installedService = service;
}

void CaptureService::setFactory(std::function<CaptureService*()> make) {
    factory() = std::move(make);
}

}  // namespace mirelon
