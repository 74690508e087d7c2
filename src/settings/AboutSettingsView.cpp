// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/AboutSettingsView.h"

#include "app/Links.h"
#include "settings/AppVersion.h"
#include "settings/SettingsSymbols.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace mirelon {

QUrl AboutSettingsView::xProfileUrl() {
    return Links::x();
}
QUrl AboutSettingsView::videoChannelUrl() {
    return Links::youtube();
}
QUrl AboutSettingsView::websiteUrl() {
    return Links::website();
}

AboutSettingsView::AboutSettingsView(QWidget* parent) : SettingsForm::Page(parent) {
    auto* section = addSection();
    auto* content = new QWidget;
    auto* row = new QHBoxLayout(content);
    row->setContentsMargins(5, 5, 5, 5);
    row->setSpacing(12);

    auto* icon = new QLabel(content);
    icon->setFixedSize(160, 160);
    icon->setAlignment(Qt::AlignCenter);
    const QIcon appIcon = settingsSymbol(QStringLiteral("Icon"));
    if (!appIcon.isNull()) {
        icon->setPixmap(appIcon.pixmap(QSize(160, 160), qApp->devicePixelRatio()));
    }
    row->addWidget(icon, 0, Qt::AlignVCenter);

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->addStretch(1);
    auto* name = new QLabel(QStringLiteral("Mirelon"), content);
    QFont titleFont = name->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    name->setFont(titleFont);
    column->addWidget(name);
    version_ = SettingsForm::caption(Utils::getAppVersionAndBuild(), content);
    column->addWidget(version_);
    auto* divider = new QFrame(content);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);

    linksRow_ = new QWidget(content);
    auto* links = new QHBoxLayout(linksRow_);
    links->setContentsMargins(5, 5, 5, 5);
    links->setSpacing(6);
    links->addStretch(1);
    links->addWidget(addLink(QStringLiteral("TwitterIcon"), tr("X social network"), xProfileUrl()));
    links->addWidget(addLink(QStringLiteral("YouTubeIcon"), tr("YouTube"), videoChannelUrl()));
    links->addWidget(addLink(QStringLiteral("globe"), tr("Official Website"), websiteUrl()));
    column->addWidget(linksRow_);
    row->addLayout(column, 1);

    section->addRow(content);
    finish();
}

QToolButton* AboutSettingsView::addLink(const QString& symbol, const QString& tooltip,
                                        const QUrl& url) {
    auto* link = new QToolButton;
    link->setAutoRaise(true);
    link->setIcon(settingsSymbol(symbol, secondaryTextColor()));
    link->setIconSize(QSize(20, 20));
    link->setText(tooltip);
    // A link without its image still shows where it leads.
    link->setToolButtonStyle(link->icon().isNull() ? Qt::ToolButtonTextOnly
                                                   : Qt::ToolButtonIconOnly);
    link->setToolTip(tooltip);
    link->setAccessibleName(tooltip);
    link->setCursor(Qt::PointingHandCursor);
    link->setProperty("url", url);
    link->setForegroundRole(QPalette::PlaceholderText);
    connect(link, &QToolButton::clicked, link, [url] { QDesktopServices::openUrl(url); });
    links_.append(link);
    return link;
}

}  // namespace mirelon
