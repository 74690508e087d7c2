// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/ContentState.h"

#include "panels/content/PanelGeometry.h"
#include "panels/content/SquircleShape.h"

#include <algorithm>
#include <cmath>

namespace mirelon {

ContentDerived ContentDerived::derive(const ContentInputs& in,
                                      const CameraAppearanceSettings& defaultAppearance) {
    ContentDerived d;
    d.appearance = in.configuration ? in.configuration->appearance : defaultAppearance;
    d.enabled = in.configuration && in.configuration->isEnabled;
    d.available = in.available;
    const bool hasMessage =
        in.model.captureFailureMessage && !in.model.captureFailureMessage->isEmpty();
    d.failed = d.enabled && d.available && hasMessage;
    d.live = d.enabled && d.available && in.model.isGranted && in.model.isSessionRunning;
    d.hovered = in.isHoveringCamera || in.isHoveringText;
    d.hoverActive = d.hovered && d.live;
    d.commandActive = d.hoverActive && in.isCommandKeyPressed;
    d.hoverFaded = d.hoverActive && !in.isCommandKeyPressed;
    const double hoverOpacity =
        std::isfinite(in.hoverOpacity) ? std::clamp(in.hoverOpacity, 0.0, 1.0) : 1.0;
    d.contentOpacity = d.hoverFaded ? hoverOpacity : 1.0;
    d.hintShown =
        d.hoverActive && in.moveHintEnabled && !in.isCommandKeyPressed && in.commandHintVisible;
    d.shimmerShown = d.live && !d.hovered;
    d.frameSize = mirelon::frameSize(d.appearance);
    d.exponent = shapeExponent(d.appearance);
    d.padding = contentPadding(d.appearance);
    if (d.enabled) {
        if (d.failed) {
            d.status = in.model.cameraBusy ? StatusCard::busy : StatusCard::unavailable;
        } else if (!in.model.isGranted) {
            d.status = StatusCard::permission;
        }
    }
    return d;
}

std::optional<bool> windowIgnoresMouseEvents(bool hasWindow, const ContentInputs& in) {
    if (!hasWindow) {
        return std::nullopt;
    }
    const bool enabled = in.configuration && in.configuration->isEnabled;
    const bool hovered = in.isHoveringCamera || in.isHoveringText;
    const bool hasMessage = in.model.captureFailureMessage.has_value();
    if (enabled && in.available && in.model.isGranted && in.model.isSessionRunning) {
        return !(in.isCommandKeyPressed && hovered);
    }
    if (enabled && in.available && hasMessage) {
        return false;  // the unavailable card's button takes clicks
    }
    if (enabled) {
        return in.model.isGranted;  // the permission card's button takes clicks
    }
    return true;
}

bool shouldShowCommandHint(const ContentInputs& in) {
    const bool enabled = in.configuration && in.configuration->isEnabled;
    const bool hovered = in.isHoveringCamera || in.isHoveringText;
    return in.moveHintEnabled && enabled && in.model.isGranted && in.model.isSessionRunning &&
           hovered && !in.isCommandKeyPressed;
}

double hintTextOpacity(double hoverOpacity) {
    return hoverOpacity == 0.0 ? 0.0 : 0.8;
}

}  // namespace mirelon
