// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PointerWatch.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace mirelon {

enum class HoverPhase { active, ended };

// Decides hover from the global pointer position against a widget's
// rectangle, for windows that let mouse events through and so get no enter or
// leave events. While the widget is shown, every pointer move inside it is an
// `active` phase; leaving it (or the widget hiding) is one `ended` phase.
class HoverTracker : public QObject {
    Q_OBJECT
public:
    HoverTracker(QWidget* target, std::function<void(HoverPhase)> onPhase);
    ~HoverTracker() override;

    bool isHovering() const { return hovering_; }
    // Re-evaluates against the last known pointer position (e.g. after the
    // window moved under a still pointer).
    void update();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setWatching(bool watching);
    void evaluate(QPoint position);
    bool contains(QPoint position) const;

    QPointer<QWidget> target_;
    std::function<void(HoverPhase)> onPhase_;
    PointerWatch::Interest motion_;
    QMetaObject::Connection moved_;
    bool hovering_ = false;
};

}  // namespace mirelon
