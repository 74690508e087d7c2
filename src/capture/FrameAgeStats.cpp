// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/FrameAgeStats.h"

#include <algorithm>
#include <cmath>

namespace mirelon {

void FrameAgeStats::shown(Clock::time_point arrival, Clock::time_point now) {
    if (periodStart_ == Clock::time_point{}) {
        periodStart_ = now;
    }
    if (arrival == Clock::time_point{} || arrival == lastArrival_ || arrival > now) {
        return;
    }
    lastArrival_ = arrival;
    ages_.push_back(std::chrono::duration<double, std::milli>(now - arrival).count());
}

FrameAgeStats::Summary FrameAgeStats::summary() const {
    Summary s;
    if (ages_.empty()) {
        return s;
    }
    std::vector<double> sorted = ages_;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double q) {
        const auto i = std::size_t(std::ceil(q * double(sorted.size()))) - 1;
        return sorted[std::min(i, sorted.size() - 1)];
    };
    s.count = int(sorted.size());
    s.medianMs = at(0.5);
    s.p99Ms = at(0.99);
    s.maxMs = sorted.back();
    return s;
}

bool FrameAgeStats::takeSummary(Clock::time_point now, Summary& out) {
    if (periodStart_ == Clock::time_point{} || now - periodStart_ < period) {
        return false;
    }
    out = summary();
    out.seconds = std::chrono::duration<double>(now - periodStart_).count();
    ages_.clear();
    periodStart_ = now;
    return true;
}

QString FrameAgeStats::describe(const Summary& s) {
    return QStringLiteral(
               "%1 frames shown in %2 s, age when drawn: median %3 ms, 99th %4 ms, "
               "oldest %5 ms")
        .arg(s.count)
        .arg(s.seconds, 0, 'f', 1)
        .arg(s.medianMs, 0, 'f', 1)
        .arg(s.p99Ms, 0, 'f', 1)
        .arg(s.maxMs, 0, 'f', 1);
}

}  // namespace mirelon
