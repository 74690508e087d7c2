#pragma once

#include "app/AppServices.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;

namespace mirelon {

// The settings window: a floating window, 500 px wide and at most 520 px
// tall, around the settings content. The content is made when the window
// opens and released when it closes.
class SettingsWindowHost : public QObject, public SettingsOpening {
    Q_OBJECT
public:
    using ContentFactory = std::function<QWidget*()>;
    static constexpr int windowWidth = 500;
    static constexpr int maximumHeight = 520;
    static inline const QString noTrayNote = QStringLiteral(
        "Mirelon lives in the system tray, but this desktop shows no tray. "
        "Add a system tray to your panel (on GNOME: enable the AppIndicator "
        "extension); the Mirelon icon appears there as soon as the tray exists. "
        "Meanwhile, your keyboard shortcuts keep working and this window stays "
        "available.");

    explicit SettingsWindowHost(ContentFactory content, QObject* parent = nullptr);
    ~SettingsWindowHost() override;

    void openSettings() override;
    // Opens the window with the note on getting a tray.
    void openWithNoTrayNote();

    QWidget* window() const { return window_; }

private:
    QWidget* ensureWindow();

    ContentFactory content_;
    QPointer<QWidget> window_;
    QPointer<QLabel> note_;
    bool showNote_ = false;
};

}  // namespace mirelon
