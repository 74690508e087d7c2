// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/content/FadeAnimation.h"

#include <algorithm>
#include <cmath>

namespace mirelon {

void FadeAnimation::animateTo(double target, double duration, double now) {
    if (target == to_ && (isRunning(now) || value(now) == target)) {
        return;
    }
    from_ = value(now);
    to_ = target;
    start_ = now;
    duration_ = std::max(0.0, duration);
}

void FadeAnimation::jumpTo(double value) {
    from_ = to_ = value;
    duration_ = 0;
}

double FadeAnimation::value(double now) const {
    if (duration_ <= 0 || now >= start_ + duration_) {
        return to_;
    }
    if (now <= start_) {
        return from_;
    }
    const double t = easeInOut((now - start_) / duration_);
    return from_ + (to_ - from_) * t;
}

double FadeAnimation::easeInOut(double t) {
    t = std::clamp(t, 0.0, 1.0);
    // Solve x(s) = t for the curve parameter s by bisection, then return y(s).
    auto bez = [](double s, double p1, double p2) {
        const double u = 1 - s;
        return 3 * u * u * s * p1 + 3 * u * s * s * p2 + s * s * s;
    };
    double lo = 0, hi = 1;
    for (int i = 0; i < 40; ++i) {
        const double mid = (lo + hi) / 2;
        if (bez(mid, 0.42, 0.58) < t) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return bez((lo + hi) / 2, 0.0, 1.0);
}

}  // namespace mirelon
