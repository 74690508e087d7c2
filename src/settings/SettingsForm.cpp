// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsForm.h"

#include "settings/SettingsSymbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace mirelon::SettingsForm {

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setProperty("mirelonCaption", true);
    return label;
}

QLabel* symbolLabel(const QString& symbolName, QWidget* parent, int size) {
    auto* label = new QLabel(parent);
    const QIcon icon = settingsSymbol(symbolName);
    if (!icon.isNull()) {
        label->setPixmap(icon.pixmap(size, size));
    }
    label->setFixedSize(size, size);
    label->setProperty("symbolName", symbolName);
    return label;
}

QWidget* labelBlock(const QString& title, const QString& captionText, QWidget* parent) {
    auto* block = new QWidget(parent);
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(new QLabel(title, block));
    if (!captionText.isEmpty()) {
        layout->addWidget(caption(captionText, block));
    }
    return block;
}

QWidget* row(QWidget* leading, QWidget* trailing, QWidget* parent) {
    auto* widget = new QWidget(parent);
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    leading->setParent(widget);
    layout->addWidget(leading, 1);
    if (trailing) {
        trailing->setParent(widget);
        layout->addWidget(trailing, 0, Qt::AlignRight | Qt::AlignVCenter);
    }
    return widget;
}

QWidget* resetRow(const QString& text, QPushButton** button, QWidget* parent) {
    auto* reset = new QPushButton(QObject::tr("Reset"));
    if (button) {
        *button = reset;
    }
    return row(new QLabel(text), reset, parent);
}

Section::Section(const QString& header, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    header_ = new QLabel(header, this);
    QFont font = header_->font();
    font.setBold(true);
    header_->setFont(font);
    header_->setContentsMargins(4, 0, 0, 0);
    header_->setVisible(!header.isEmpty());
    layout->addWidget(header_);

    panel_ = new QFrame(this);
    panel_->setObjectName(QStringLiteral("settingsSectionPanel"));
    panel_->setStyleSheet(
        QStringLiteral("QFrame#settingsSectionPanel { background: palette(base); border: 1px solid "
                       "palette(midlight); border-radius: 6px; }"));
    rows_ = new QVBoxLayout(panel_);
    rows_->setContentsMargins(10, 8, 10, 8);
    rows_->setSpacing(6);
    layout->addWidget(panel_);
}

QString Section::header() const {
    return header_->text();
}

void Section::addRow(QWidget* rowWidget) {
    if (rows_->count() > 0) {
        auto* line = new QFrame(panel_);
        line->setFrameShape(QFrame::HLine);
        line->setFixedHeight(1);
        line->setStyleSheet(QStringLiteral("background: palette(midlight); border: none;"));
        rows_->addWidget(line);
    }
    rowWidget->setParent(panel_);
    rows_->addWidget(rowWidget);
}

Page::Page(QWidget* parent) : QWidget(parent) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(16, 12, 16, 16);
    layout_->setSpacing(14);
}

Section* Page::addSection(const QString& header) {
    auto* section = new Section(header, this);
    layout_->addWidget(section);
    return section;
}

void Page::addWidget(QWidget* widget) {
    widget->setParent(this);
    layout_->addWidget(widget);
}

void Page::finish() {
    layout_->addStretch(1);
}

}  // namespace mirelon::SettingsForm
