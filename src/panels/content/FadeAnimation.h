// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace mirelon {

// An ease-in-out fade of one value on the scheduler's clock. Retargeting in
// mid-flight starts from the value shown at that moment.
class FadeAnimation {
public:
    explicit FadeAnimation(double initial = 0.0) : from_(initial), to_(initial) {}

    void animateTo(double target, double duration, double now);
    void jumpTo(double value);
    double value(double now) const;
    double target() const { return to_; }
    bool isRunning(double now) const { return from_ != to_ && now < start_ + duration_; }

    // The platform's ease-in-out curve (a cubic Bezier with control points
    // (0.42, 0) and (0.58, 1)) at progress t in 0...1.
    static double easeInOut(double t);

private:
    double from_;
    double to_;
    double start_ = 0.0;
    double duration_ = 0.0;
};

}  // namespace mirelon
