// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QRegion>

class QPaintDevice;
class QWidget;

namespace mirelon {

// Keeps Qt from painting a top-level widget that is never shown on screen
// (Qt::WA_DontShowOnScreen) into its own backing store, where nobody would
// see it. Qt still works out what needs repainting: the paint events of that
// pass are swallowed and their regions gathered as damage, and the widget is
// painted once, where its owner renders the damage into its own buffer.
class WidgetRepaintTap : public QObject {
    Q_OBJECT
public:
    explicit WidgetRepaintTap(QWidget* window);  // a child of the window

    // What Qt asked to repaint since the last take, in the window's coordinates.
    QRegion takeDamage();
    const QRegion& damage() const { return damage_; }
    // Paint events kept from Qt's own backing store so far (for tests).
    int swallowed() const { return swallowed_; }

Q_SIGNALS:
    // Qt brought the window up to date: the damage grew (or a repaint that
    // changed nothing was asked for).
    void repaintRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget* widget);
    void unwatch(QWidget* widget);

    QPointer<QWidget> window_;
    QRegion damage_;
    bool syncing_ = false;
    int swallowed_ = 0;
};

}  // namespace mirelon
