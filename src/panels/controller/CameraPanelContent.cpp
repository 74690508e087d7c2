// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/controller/CameraPanelContent.h"

#include "capture/CameraStatusViews.h"
#include "panels/content/CameraModelContentSource.h"
#include "panels/content/ContentView.h"
#include "panels/content/SquircleShape.h"
#include "panels/controller/CameraViewModelPanelCamera.h"
#include "panels/window/CommandKeyMonitor.h"
#include "panels/window/WindowAccessor.h"
#include "platform/FloatingWindow.h"
#include "platform/files/CameraPermission.h"
#include "platform/qt/Logging.h"

#include <QEvent>
#include <QPainterPathStroker>
#include <QTransform>

#include <algorithm>

namespace mirelon {

CameraPanelContent::CameraPanelContent(const QString& cameraDeviceID, CameraViewModel& model,
                                       CameraDeviceSettingsStore& store,
                                       std::function<void()> openSettings,
                                       PreferencesFile* defaults) {
    input_ = new ContentInputState();
    view_ = makeCameraContentView(cameraDeviceID, model, input_, nullptr, &store, defaults);
    input_->setParent(view_);
    setParent(view_);
    view_->setOpenSettings(std::move(openSettings));
    view_->setOpenCameraPrivacySettings([] { Utils::openCameraPrivacySettings(); });
    view_->setStatusCardFactory([](StatusCard card, double size, const QString& cameraName,
                                   std::function<void()> onOpenSettings,
                                   QWidget* parent) -> QWidget* {
        CameraStatusCard* made = nullptr;
        if (card == StatusCard::permission) {
            made = new CameraPermissionView(size, std::move(onOpenSettings), parent);
        } else if (card == StatusCard::busy) {
            made = new CameraBusyView(size, cameraName, std::move(onOpenSettings), parent);
        } else {
            made = new CameraUnavailableView(size, cameraName, std::move(onOpenSettings), parent);
        }
        qCInfo(lcCore).noquote() << "Panel of" << cameraName << "shows:" << made->message();
        return made;
    });

    // Every command-key report goes to the content; it takes them while live.
    new CommandKeyMonitor([input = input_](bool down) { input->setCommandKeyPressed(down); },
                          view_);
    new WindowAccessor([this](QWidget* window) { attachWindow(window); }, view_);

    connect(view_, &ContentView::ignoresMouseEventsChanged, this, [this](bool ignores) {
        if (window_) {
            FloatingWindow::setIgnoresMouseEvents(window_, ignores);
        }
    });
    connect(view_, &ContentView::cursorRequested, this, [this](Qt::CursorShape shape) {
        if (window_) {
            window_->setCursor(shape);
        }
    });
    view_->installEventFilter(this);
}

CameraPanelContent::~CameraPanelContent() {
    setFollowingPointer(false);
}

QWidget* CameraPanelContent::widget() {
    return view_;
}

QRegion CameraPanelContent::opaqueRegion() {
    // From the geometry rather than from a rendering: the picture may be
    // faded while hovered, and the soft shadow stays outside.
    QRegion region;
    const QPolygonF outline = view_->cameraOutline();
    const QRectF frame = view_->cameraFrameRect();
    QTransform tilt;
    if (outline.size() >= 4 && !frame.isEmpty() &&
        QTransform::quadToQuad(
            QPolygonF{frame.topLeft(), frame.topRight(), frame.bottomRight(), frame.bottomLeft()},
            QPolygonF{outline[0], outline[1], outline[2], outline[3]}, tilt)) {
        QPainterPath shape = SquircleShape{view_->derived().exponent}.path(frame);
        // Half of the border lies outside the clip.
        const double border = std::clamp(view_->derived().appearance.borderThickness, 0.0, 100.0);
        if (border > 0) {
            QPainterPathStroker stroker;
            stroker.setWidth(border);
            shape = shape.united(stroker.createStroke(shape));
        }
        region += QRegion(tilt.map(shape).toFillPolygon().toPolygon());
    }
    const QRectF text = view_->textRect();
    // The caption is laid out also when it is not shown (it then draws nothing).
    const TextView* caption = view_->textView();
    if (!text.isEmpty() && caption && caption->isVisible() && caption->captionStyle().shown) {
        region += text.toAlignedRect();
    }
    return region;
}

void CameraPanelContent::setChangeHandler(std::function<void()> handler) {
    disconnect(outlineChanged_);
    outlineChanged_ = {};
    if (handler) {
        outlineChanged_ = connect(view_, &ContentView::outlineChanged, this,
                                  [handler = std::move(handler)] { handler(); });
    }
}

void CameraPanelContent::attachWindow(QWidget* window) {
    window_ = window;
    view_->setHostWindowAttached(window != nullptr);
    if (window && view_->ignoresMouseEvents()) {
        FloatingWindow::setIgnoresMouseEvents(window, *view_->ignoresMouseEvents());
    }
    setFollowingPointer(window && view_->isVisible());
}

bool CameraPanelContent::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_) {
        if (event->type() == QEvent::Show) {
            setFollowingPointer(window_ != nullptr);
        } else if (event->type() == QEvent::Hide) {
            setFollowingPointer(false);
        }
    }
    return QObject::eventFilter(watched, event);
}

void CameraPanelContent::setFollowingPointer(bool following) {
    if (following == static_cast<bool>(pointerMoved_)) {
        return;
    }
    if (following) {
        PointerWatch& watch = PointerWatch::shared();
        motion_ = watch.motionInterest();
        pointerMoved_ = connect(&watch, &PointerWatch::pointerMoved, this,
                                [this](QPoint global) { reportPointer(global); });
        reportPointer(watch.pointerPosition());
    } else {
        disconnect(pointerMoved_);
        pointerMoved_ = {};
        motion_.reset();
        if (pointerInside_ && input_) {
            pointerInside_ = false;
            input_->setPointerPosition(std::nullopt);
        }
    }
}

void CameraPanelContent::reportPointer(QPoint global) {
    const QPointF local = view_->mapFromGlobal(QPointF(global));
    const bool inside = view_->isVisible() && view_->rect().contains(local.toPoint());
    if (inside) {
        pointerInside_ = true;
        input_->setPointerPosition(local);
    } else if (pointerInside_) {
        pointerInside_ = false;
        input_->setPointerPosition(std::nullopt);
    }
}

CameraPanelParts::CameraPanelParts(CameraDeviceSettingsStore& store,
                                   std::shared_ptr<std::function<void()>> openSettings)
    : store_(store), openSettings_(std::move(openSettings)) {}

std::unique_ptr<PanelCamera> CameraPanelParts::makeCamera(const QString& cameraDeviceID) {
    return std::make_unique<CameraViewModelPanelCamera>(cameraDeviceID);
}

PanelContent* CameraPanelParts::makeContent(const QString& cameraDeviceID, PanelCamera& camera) {
    auto* live = dynamic_cast<CameraViewModelPanelCamera*>(&camera);
    if (!live) {
        return nullptr;
    }
    std::weak_ptr<std::function<void()>> action = openSettings_;
    return new CameraPanelContent(cameraDeviceID, live->model(), store_, [action] {
        if (auto open = action.lock(); open && *open) {
            (*open)();
        }
    });
}

}  // namespace mirelon
