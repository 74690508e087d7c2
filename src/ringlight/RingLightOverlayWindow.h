// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace mirelon {

class RingLightOverlayView;

// A borderless, click-through, never-focused window over one display's whole
// frame, bypassing the window manager, hosting one RingLightOverlayView.
class RingLightOverlayWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString windowIdentifier = QStringLiteral("MirelonRingLightOverlay");
    // Above normal windows, below the camera panels (2000).
    static constexpr int windowLevel = 1900;  // WindowStacking::ringLightOverlay

    explicit RingLightOverlayWindow(const QRect& geometry);
    ~RingLightOverlayWindow() override;

    RingLightOverlayView* content() const { return content_; }
    // Takes ownership; the previous content is deleted.
    void setContent(RingLightOverlayView* view);
    // Detaches and deletes the content.
    void removeContent();

    // Moves the window over the frame (y down) and sizes its content to it.
    void setFrame(const QRect& geometry);
    // Shows the window without activating it and puts it above other windows.
    void orderFront();
    // Content removed, ordered out, closed.
    void closeWindow();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyPlatformProperties();

    RingLightOverlayView* content_ = nullptr;
};

}  // namespace mirelon
