#include "panels/content/CameraPanelContent.h"

#include "capture/CameraStatusViews.h"
#include "capture/CameraViewModel.h"
#include "panels/content/CameraModelContentSource.h"
#include "panels/content/TextView.h"
#include "panels/controller/CameraViewModelPanelCamera.h"
#include "panels/controller/PlaceholderPanelParts.h"
#include "panels/window/CommandKeyMonitor.h"
#include "panels/window/HoverTracker.h"
#include "panels/window/WindowAccessor.h"
#include "platform/CameraPermission.h"
#include "platform/X11FloatingWindow.h"

#include <QBitmap>

namespace mirelon {

CameraPanelContent::CameraPanelContent(QString cameraDeviceID, CameraViewModel& model,
                                       CameraDeviceSettingsStore& store, UserDefaults& defaults,
                                       QWidget* parent)
    : ContentView(std::move(cameraDeviceID), new CameraModelContentSource(model), store, defaults,
                  nullptr, parent) {
    cameraSource()->setParent(this);

    cameraTarget_ = new QWidget(this);
    cameraTarget_->setAttribute(Qt::WA_TransparentForMouseEvents);
    cameraTarget_->setAttribute(Qt::WA_NoSystemBackground);
    cameraTarget_->setVisible(derived().live);
    placeCameraTarget();
    cameraHover_ = new HoverTracker(cameraTarget_, [this](mirelon::HoverPhase phase) {
        handleContinuousHover(
            phase == mirelon::HoverPhase::active ? HoverPhase::active : HoverPhase::ended,
            HoverTarget::camera);
    });
    textHover_ = new HoverTracker(textView(), [this](mirelon::HoverPhase phase) {
        handleContinuousHover(
            phase == mirelon::HoverPhase::active ? HoverPhase::active : HoverPhase::ended,
            HoverTarget::text);
    });

    setStatusCardFactory([](StatusCard card, double size, const QString& name,
                            std::function<void()> action, QWidget* p) -> QWidget* {
        if (card == StatusCard::unavailable) {
            return new CameraUnavailableView(size, name, std::move(action), p);
        }
        return new CameraPermissionView(size, std::move(action), p);
    });

    setOpenCameraPrivacySettings([] { Utils::openCameraPrivacySettings(); });

    connect(this, &ContentView::layoutChanged, this, &CameraPanelContent::placeCameraTarget);
    connect(this, &ContentView::liveChanged, this, &CameraPanelContent::onLiveChanged);
    connect(this, &ContentView::ignoresMouseEventsChanged, this,
            &CameraPanelContent::applyIgnoresMouseEvents);
    connect(this, &ContentView::cursorRequested, this, [this](Qt::CursorShape shape) {
        if (window_) {
            window_->setCursor(shape);
        }
    });
    accessor_ = new WindowAccessor(
        [this](QWidget* window) {
            window_ = window;
            setHostWindowAttached(window != nullptr);
        },
        this);
    onLiveChanged(derived().live);
}

CameraPanelContent::~CameraPanelContent() {
    delete commandKey_;  // no report may arrive while the view is torn down
    commandKey_ = nullptr;
}

void CameraPanelContent::onLiveChanged(bool live) {
    cameraTarget_->setVisible(live);
    if (live && !commandKey_) {
        commandKey_ =
            new CommandKeyMonitor([this](bool down) { setCommandKeyPressed(down); }, this);
    } else if (!live && commandKey_) {
        delete commandKey_;
        commandKey_ = nullptr;
    }
}

void CameraPanelContent::placeCameraTarget() {
    if (cameraTarget_) {
        cameraTarget_->setGeometry(cameraFrameRect().toAlignedRect());
    }
}

void CameraPanelContent::applyIgnoresMouseEvents(bool ignores) {
    if (window_) {
        FloatingWindow::setIgnoresMouseEvents(window_, ignores);
    }
}

QRegion CameraPanelContent::opaqueRegion() {
    QRegion region;
    if (derived().enabled) {
        region = QRegion(cameraShapePath().toFillPolygon().toPolygon());
    }
    if (textView()->effectiveOpacity() > 0) {
        // The plate's own pixels: rounded corners and a see-through plate stay out.
        const QImage plate = textView()->plateImage(1.0);
        const QBitmap mask =
            QBitmap::fromImage(plate.createAlphaMask(Qt::ThresholdAlphaDither | Qt::MonoOnly));
        region += QRegion(mask).translated(textView()->pos());
    }
    return region;
}

namespace {

class CameraPanelParts final : public PanelPartsFactory {
public:
    CameraPanelParts(CameraDeviceSettingsStore& store, UserDefaults& defaults,
                     std::function<void()> openSettings)
        : store_(store), defaults_(defaults), openSettings_(std::move(openSettings)) {}
    std::unique_ptr<PanelCamera> makeCamera(const QString& cameraDeviceID) override {
        return std::make_unique<CameraViewModelPanelCamera>(cameraDeviceID);
    }
    PanelContent* makeContent(const QString& cameraDeviceID, PanelCamera& camera) override {
        auto* live = dynamic_cast<CameraViewModelPanelCamera*>(&camera);
        if (!live) {
            // A camera without a capture model (tests of the controller).
            return new PlaceholderPanelContent(cameraDeviceID, camera, store_);
        }
        auto* content = new CameraPanelContent(cameraDeviceID, live->model(), store_, defaults_);
        content->setOpenSettings(openSettings_);
        return content;
    }

private:
    CameraDeviceSettingsStore& store_;
    UserDefaults& defaults_;
    std::function<void()> openSettings_;
};

}  // namespace

std::unique_ptr<PanelPartsFactory> makeCameraPanelParts(CameraDeviceSettingsStore& store,
                                                        UserDefaults& defaults,
                                                        std::function<void()> openSettings) {
    return std::make_unique<CameraPanelParts>(store, defaults, std::move(openSettings));
}

}  // namespace mirelon
