// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PointerWatch.h"

#include <QList>
#include <QRect>

#include <functional>
#include <memory>

namespace mirelon {

class GnomeShellBridge;

// The pointer watch of GNOME sessions (the program runs through Xwayland).
//
// Xwayland sees the pointer only over X11 windows: over a native window its
// position goes stale where the pointer left. While the Shell extension runs,
// the pointer comes from the shell instead (PointerMoved, asked for only
// while motion is wanted). Without it the fallback watch (X11) serves, and a
// stale position is recognised: when the pointer has not moved for
// staleAfter seconds and last was within edgeBand pixels of a camera panel's
// edge, it most likely left the panel onto a native window (Xwayland's last
// motion inside a window is at its edge), so the pointer is reported
// nowhere and the panel's hover ends. A pointer resting inside a panel, away
// from its edge, still counts as there.
//
// The command key is Super as the fallback sees it, or move mode being on
// (GNOME keeps Super-drag for itself; panels move in move mode).
class GnomePointerWatch final : public PointerWatch {
    Q_OBJECT
public:
    static constexpr double staleAfter = 1.5;
    static constexpr int edgeBand = 16;
    static const QPoint nowhere;

    GnomePointerWatch(GnomeShellBridge& bridge, std::unique_ptr<PointerWatch> fallback,
                      std::function<QList<QRect>()> panelFrames);
    ~GnomePointerWatch() override;

    bool currentCommandKeyDown() override;
    bool isFollowingShell() const { return following_ == Source::shell; }

protected:
    void motionInterestChanged(bool wanted) override;
    void keyInterestChanged(bool wanted) override;

private:
    enum class Source { none, shell, fallback };
    void route();
    void fallbackMoved(QPoint position);
    void checkStale();
    void commandMayHaveChanged();

    GnomeShellBridge& bridge_;
    std::unique_ptr<PointerWatch> fallback_;
    std::function<QList<QRect>()> panelFrames_;
    Source following_ = Source::none;
    Interest fallbackMotion_;
    Interest fallbackKeys_;
    TaskHandle stale_;
    bool reportedCommand_ = false;
};

}  // namespace mirelon
