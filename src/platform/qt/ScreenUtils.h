// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

class QScreen;

namespace mirelon {

// One display as the placement code sees it: frames in the y-up global space.
struct ScreenInfo {
    QString name;         // identity of the screen (its connector or monitor name)
    QRectF frame;         // whole screen
    QRectF visibleFrame;  // without panels and docks
    QScreen* screen = nullptr;

    bool operator==(const ScreenInfo& other) const { return name == other.name; }
};

// Where the screens, the pointer and the key window come from. The program
// reads Qt; tests substitute their own.
class ScreenSource {
public:
    virtual ~ScreenSource() = default;
    // All screens in the system's order.
    virtual QList<ScreenInfo> screens() const = 0;
    // The primary screen.
    virtual std::optional<ScreenInfo> mainScreen() const = 0;
    // The pointer in y-up global coordinates.
    virtual QPointF pointerLocation() const = 0;
    // The screen of the application's key (active) window, if there is one.
    virtual std::optional<ScreenInfo> keyWindowScreen() const = 0;

    // Qt's screens, or the installed substitute.
    static ScreenSource& current();
    // Installs a substitute (not owned); nullptr restores Qt.
    static void setCurrent(ScreenSource* source);
};

class QtScreenSource final : public ScreenSource {
public:
    QList<ScreenInfo> screens() const override;
    std::optional<ScreenInfo> mainScreen() const override;
    QPointF pointerLocation() const override;
    std::optional<ScreenInfo> keyWindowScreen() const override;

    static ScreenInfo info(QScreen* screen);
};

// The display identifier: decimal 32-bit FNV-1a of "manufacturer|model|serial",
// with "|" and the connector name appended when the serial is empty; a monitor
// without any EDID data hashes its connector name alone. None without a name.
std::optional<QString> displayIdentifier(const QString& manufacturer, const QString& model,
                                         const QString& serialNumber, const QString& name);
quint32 fnv1a32(const QByteArray& bytes);

// The screen the user is working on: the one under the pointer, else (when
// asked) the key window's, else the main screen when listed, else the first.
std::optional<ScreenInfo> activeScreenAmong(const QList<ScreenInfo>& screens, bool preferKeyWindow,
                                            const ScreenSource& source);

namespace Utils {
QScreen* activeScreen(const QList<QScreen*>& screens, bool preferKeyWindow);
std::optional<QString> displayID(const QScreen* screen);
}  // namespace Utils

}  // namespace mirelon
