// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/SettingsForm.h"

#include <QList>
#include <QUrl>

class QLabel;
class QToolButton;

namespace mirelon {

// The About tab: the application's icon, name and version, and three links.
class AboutSettingsView : public SettingsForm::Page {
    Q_OBJECT
public:
    explicit AboutSettingsView(QWidget* parent = nullptr);

    QLabel* versionLabel() const { return version_; }
    QList<QToolButton*> links() const { return links_; }
    QWidget* linksRow() const { return linksRow_; }

    static QUrl xProfileUrl();
    static QUrl videoChannelUrl();
    static QUrl websiteUrl();

private:
    QToolButton* addLink(const QString& symbol, const QString& tooltip, const QUrl& url);

    QLabel* version_ = nullptr;
    QWidget* linksRow_ = nullptr;
    QList<QToolButton*> links_;
};

}  // namespace mirelon
