// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <chrono>
#include <vector>

namespace mirelon {

// How old the frames a panel showed were when it drew them (from their
// arrival in the program, decoding included), summarised per period of
// about ten seconds into one log line. Only kept while frame logging is on.
class FrameAgeStats {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration period = std::chrono::seconds(10);

    struct Summary {
        int count = 0;
        double medianMs = 0;
        double p99Ms = 0;
        double maxMs = 0;
        double seconds = 0;  // how long the period lasted
    };

    // A frame that arrived at `arrival` was drawn at `now`. The same frame
    // drawn again (nothing newer came) is not counted twice.
    void shown(Clock::time_point arrival, Clock::time_point now);
    // The summary of the frames since the period began, and a new period,
    // when it has lasted `period`; nothing otherwise.
    bool takeSummary(Clock::time_point now, Summary& out);
    // Of the frames counted so far in this period.
    Summary summary() const;

    static QString describe(const Summary& s);

private:
    std::vector<double> ages_;
    Clock::time_point lastArrival_{};
    Clock::time_point periodStart_{};
};

}  // namespace mirelon
