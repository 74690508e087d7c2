// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// For tests with real capture pipelines, whose frames arrive on threads of
// their own: lets the event loop run until a condition holds.

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <functional>
#include <thread>

namespace mirelon::testing {

// Runs the event loop until done() holds or the (generous) ceiling passed;
// returns done().
inline bool waitForEvents(const std::function<bool()>& done, double ceilingSeconds = 30.0) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ceilingSeconds * 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

}  // namespace mirelon::testing
