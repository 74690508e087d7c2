#include "panels/controller/PlaceholderPanelParts.h"

#include "capture/CameraView.h"
#include "config/CameraDeviceSettingsStore.h"
#include "panels/controller/CameraViewModelPanelCamera.h"
#include "panels/window/CommandKeyMonitor.h"
#include "panels/window/WindowAccessor.h"
#include "platform/X11FloatingWindow.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace mirelon {

namespace {
constexpr int padding = 35;
constexpr int blockSide = 300;

class PlaceholderParts final : public PanelPartsFactory {
public:
    explicit PlaceholderParts(CameraDeviceSettingsStore& store) : store_(store) {}
    std::unique_ptr<PanelCamera> makeCamera(const QString& cameraDeviceID) override {
        return std::make_unique<CameraViewModelPanelCamera>(cameraDeviceID);
    }
    PanelContent* makeContent(const QString& cameraDeviceID, PanelCamera& camera) override {
        return new PlaceholderPanelContent(cameraDeviceID, camera, store_);
    }

private:
    CameraDeviceSettingsStore& store_;
};
}  // namespace

std::unique_ptr<PanelPartsFactory> makeDefaultPanelParts(CameraDeviceSettingsStore& store) {
    return std::make_unique<PlaceholderParts>(store);
}

PlaceholderPanelContent::PlaceholderPanelContent(QString cameraDeviceID, PanelCamera& camera,
                                                 CameraDeviceSettingsStore& store)
    : cameraDeviceID_(std::move(cameraDeviceID)), camera_(camera), store_(store) {
    setAttribute(Qt::WA_TranslucentBackground);
    picture_ = new QWidget(this);
    picture_->setAttribute(Qt::WA_TransparentForMouseEvents);
    picture_->setGeometry(blockRect());
    if (auto* live = dynamic_cast<CameraViewModelPanelCamera*>(&camera)) {
        // A preview view that does not draw: this content paints its frames.
        preview_ = new CameraView(live->model().captureSession(), picture_);
        preview_->setDrawsFrames(false);
        preview_->setInteractive(false);
        preview_->setGeometry(picture_->rect());
        CameraViewContainer::follow(*preview_, live->model());
        connect(preview_, &CameraView::frameArrived, this, [this] { update(blockRect()); });
        connect(&live->model(), &CameraViewModel::changed, this,
                [this] { updateWindowInteractivity(); });
    }
    hover_ = new HoverTracker(picture_, [this](HoverPhase phase) {
        isHovering_ = phase == HoverPhase::active;
        updateWindowInteractivity();
        if (isHovering_ && isCommandKeyPressed_ && windowRef_) {
            windowRef_->setCursor(Qt::OpenHandCursor);
        }
    });
    commandKey_ = new CommandKeyMonitor(
        [this](bool down) {
            isCommandKeyPressed_ = down;
            updateWindowInteractivity();
            if (windowRef_ && isHovering_ && down) {
                windowRef_->setCursor(Qt::OpenHandCursor);
            }
        },
        this);
    accessor_ = new WindowAccessor(
        [this](QWidget* window) {
            windowRef_ = window;
            updateWindowInteractivity();
        },
        this);
}

PlaceholderPanelContent::~PlaceholderPanelContent() = default;

QSize PlaceholderPanelContent::sizeHint() const {
    return {blockSide + 2 * padding, blockSide + 2 * padding};
}

QRect PlaceholderPanelContent::blockRect() const {
    return {padding, padding, blockSide, blockSide};
}

void PlaceholderPanelContent::updateWindowInteractivity() {
    if (!windowRef_) {
        return;
    }
    const bool live = camera_.isSessionRunning();
    FloatingWindow::setIgnoresMouseEvents(windowRef_,
                                          live ? !(isCommandKeyPressed_ && isHovering_) : true);
}

void PlaceholderPanelContent::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto configuration = store_.configuration(cameraDeviceID_);
    const QString name = configuration ? configuration->name : cameraDeviceID_;
    QPainterPath path;
    path.addRoundedRect(QRectF(blockRect()), 60, 60);
    if (preview_ && !preview_->currentFrame().isNull() && camera_.isSessionRunning()) {
        const QImage& frame = preview_->currentFrame();
        painter.setClipPath(path);
        painter.drawImage(
            QRectF(blockRect()), frame,
            CameraView::aspectFillSourceRect(QSizeF(frame.size()), QSizeF(blockRect().size())));
        return;
    }
    painter.fillPath(path, QColor(0xE0, 0x60, 0x20));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(22);
    painter.setFont(font);
    painter.drawText(blockRect(), Qt::AlignCenter | Qt::TextWordWrap, name);
}

}  // namespace mirelon
