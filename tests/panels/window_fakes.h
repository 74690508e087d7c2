// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PointerWatch.h"
#include "platform/qt/ScreenUtils.h"

namespace mirelon::testing {

// A pointer watch driven by the test; installed as the shared one while it lives.
class FakePointerWatch final : public PointerWatch {
public:
    FakePointerWatch() { PointerWatch::setShared(this); }
    ~FakePointerWatch() override { PointerWatch::setShared(nullptr); }

    void movePointer(QPoint p) { reportPointer(p); }
    void modifierEvent(bool commandDown) { reportModifierEvent(commandDown); }
    void holdCommandKeySilently(bool down) { setInitialCommandState(down); }
};

// Screens chosen by the test; installed as the current source while it lives.
class FakeScreenSource final : public ScreenSource {
public:
    FakeScreenSource() { ScreenSource::setCurrent(this); }
    ~FakeScreenSource() override { ScreenSource::setCurrent(nullptr); }

    QList<ScreenInfo> list;
    std::optional<ScreenInfo> main;
    QPointF pointer;

    QList<ScreenInfo> screens() const override { return list; }
    std::optional<ScreenInfo> mainScreen() const override { return main; }
    QPointF pointerLocation() const override { return pointer; }
    std::optional<ScreenInfo> keyWindowScreen() const override { return std::nullopt; }
};

}  // namespace mirelon::testing
