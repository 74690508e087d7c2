#include "app/SettingsWindowHost.h"

#include "platform/IconRegistry.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace mirelon {

SettingsWindowHost::SettingsWindowHost(ContentFactory content, QObject* parent)
    : QObject(parent), content_(std::move(content)) {}

SettingsWindowHost::~SettingsWindowHost() {
    delete window_.data();
}

QWidget* SettingsWindowHost::ensureWindow() {
    if (window_) {
        return window_;
    }
    auto* window = new QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("MirelonSettings"));
    window->setWindowTitle(QStringLiteral("Mirelon Settings"));
    window->setWindowIcon(IconRegistry::icon(QStringLiteral("Icon")));
    auto* layout = new QVBoxLayout(window);
    auto* note = new QLabel(noTrayNote, window);
    note->setObjectName(QStringLiteral("MirelonNoTrayNote"));
    note->setWordWrap(true);
    note->setVisible(showNote_);
    layout->addWidget(note);
    QWidget* content = content_ ? content_() : nullptr;
    if (content) {
        // A content taller than the window scrolls.
        auto* scroll = new QScrollArea(window);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setWidget(content);
        scroll->setMinimumHeight(std::min(content->sizeHint().height(), maximumHeight / 2));
        scroll->setMaximumHeight(maximumHeight);
        layout->addWidget(scroll);
    }
    window->setFixedWidth(windowWidth);
    window->setMaximumHeight(maximumHeight);
    window_ = window;
    note_ = note;
    return window;
}

void SettingsWindowHost::openSettings() {
    QWidget* window = ensureWindow();
    window->adjustSize();
    window->show();
    window->raise();
    window->activateWindow();
}

void SettingsWindowHost::openWithNoTrayNote() {
    showNote_ = true;
    if (note_) {
        note_->setVisible(true);
    }
    openSettings();
}

}  // namespace mirelon
