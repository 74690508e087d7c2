// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What tests of hot-key services share: a key-grab service that records its
// grabs, and waiting for the event loop to bring something about.

#include "shortcuts/HotKeyBackend.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <map>
#include <utility>

namespace mirelon::test {

// Runs the event loop until `done` holds (false after the ceiling).
inline bool waitFor(const std::function<bool()>& done, int ceilingMs = 60000) {
    const QDeadlineTimer deadline(ceilingMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Key grabs (as X11's): records them; tests press them through `sink`.
class FakeGrabs final : public GlobalShortcuts::HotKeyBackend {
public:
    void setSink(Sink s) override { sink = std::move(s); }
    int registerHotKey(std::uint32_t id, std::uint32_t keyCode, std::uint32_t modifiers) override {
        grabbed[id] = {keyCode, modifiers};
        return 0;
    }
    void unregisterHotKey(std::uint32_t id) override { grabbed.erase(id); }
    bool isHeldByAnotherClient(std::uint32_t, std::uint32_t) override { return false; }
    std::optional<QString> keyText(std::int64_t) const override { return std::nullopt; }
    Sink sink;
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> grabbed;
};

}  // namespace mirelon::test
