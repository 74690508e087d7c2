// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CameraDeviceConfiguration.h"

#include <QSizeF>
#include <QString>

#include <optional>

namespace mirelon {

// What the panel content reads from its camera's session model.
struct CameraModelState {
    bool isGranted = false;
    bool isSessionRunning = false;
    std::optional<QString> captureFailureMessage;
    bool cameraBusy = false;  // the failure: another app holds the camera

    bool operator==(const CameraModelState&) const = default;
};

// Everything a panel's content decides from: the store's record, the model,
// the preferences and the pointer and key state.
struct ContentInputs {
    std::optional<CameraDeviceConfiguration> configuration;
    bool available = false;
    CameraModelState model;
    double hoverOpacity = 0.3;
    bool moveHintEnabled = true;
    bool isHoveringCamera = false;
    bool isHoveringText = false;
    bool isCommandKeyPressed = false;
    bool commandHintVisible = false;
};

enum class StatusCard { none, unavailable, permission, busy };

// The values each render derives from ContentInputs.
struct ContentDerived {
    CameraAppearanceSettings appearance;
    bool enabled = false;
    bool available = false;
    bool failed = false;
    bool live = false;
    bool hovered = false;
    bool hoverActive = false;
    bool commandActive = false;
    bool hoverFaded = false;
    double contentOpacity = 1.0;
    bool hintShown = false;
    bool shimmerShown = false;
    QSizeF frameSize;
    double exponent = 4.0;
    double padding = 35.0;
    StatusCard status = StatusCard::none;

    // `defaultAppearance` is used when the store has no record for the camera.
    static ContentDerived derive(const ContentInputs& in,
                                 const CameraAppearanceSettings& defaultAppearance);
};

// Whether the hosting window should let mouse events through; none when no
// window hosts the content yet.
std::optional<bool> windowIgnoresMouseEvents(bool hasWindow, const ContentInputs& in);

// Whether the move hint should (re)start its 3 s period, or else hide. The
// device's availability is not consulted here.
bool shouldShowCommandHint(const ContentInputs& in);

// The opacity of the hint's text: 0.8, or 0 when the hover opacity is exactly 0.
double hintTextOpacity(double hoverOpacity);

// Timings of the move hint and its fades, seconds.
namespace CommandHintTiming {
constexpr double showFade = 0.2;
constexpr double hideFade = 0.3;  // when the period runs out
constexpr double period = 3.0;
}  // namespace CommandHintTiming

}  // namespace mirelon
