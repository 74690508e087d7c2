// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>

#include <optional>

typedef struct _GstCaps GstCaps;

namespace mirelon {

// A camera mode pinned by the high-quality preset.
struct CaptureMode {
    enum class Encoding { raw, mjpeg };
    Encoding encoding = Encoding::raw;
    QString format;  // raw pixel format (GStreamer name, e.g. "YUY2"); empty for MJPEG
    int width = 0;
    int height = 0;
    int fpsNumerator = 0;
    int fpsDenominator = 1;

    bool operator==(const CaptureMode&) const = default;
    // The caps that pin this mode on the camera's source element.
    QString capsString() const;
};

// The high-quality preset: from the modes a camera offers, 1920x1080 at 30 fps,
// else 1280x720 at 30 fps, else the largest mode at 24 fps or more (else the
// largest mode at its best rate). Raw video when the camera reaches the rate
// with it (YUY2 preferred), MJPEG otherwise. Grey-only formats never count.
// None when the caps offer no usable mode.
std::optional<CaptureMode> chooseCaptureMode(const GstCaps* caps);
// The same for caps in their text form (recorded device caps).
std::optional<CaptureMode> chooseCaptureMode(const QString& capsString);

// The mode for a picture shown at `wanted` device pixels (what the panels
// showing the camera cover, zoom and tilt included): among the sizes the
// rate rules of the preset allow (30 fps where any size reaches it, else 24,
// else any) and no larger than the preset's own choice, the smallest that
// covers `wanted` in both directions; the preset's choice when none does or
// nothing is wanted yet. Raw video when it reaches the rate at that size.
std::optional<CaptureMode> chooseCaptureMode(const GstCaps* caps, QSize wanted);
std::optional<CaptureMode> chooseCaptureMode(const QString& capsString, QSize wanted);

// Whether a camera running in `current` should switch to `best` (the choice
// for `wanted`): when `wanted` outgrew the current mode by more than a tenth,
// or fell to half of it or less. In between it stays, so a size stepping back
// and forth does not restart the camera.
bool shouldSwitchMode(const CaptureMode& current, const std::optional<CaptureMode>& best,
                      QSize wanted);

}  // namespace mirelon
