// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace mirelon {

// Building blocks shared by the settings tabs: grouped sections with an
// optional header, label/control rows, captions in the secondary colour, and
// the "Reset to default ..." rows.
namespace SettingsForm {

// Smaller text in the secondary (placeholder) colour, wrapping as needed.
QLabel* caption(const QString& text, QWidget* parent = nullptr);
// A symbol drawn at its medium size, or an empty label when it has no icon.
QLabel* symbolLabel(const QString& symbolName, QWidget* parent = nullptr, int size = 16);
// A title line with an optional caption below it, leading-aligned.
QWidget* labelBlock(const QString& title, const QString& captionText = QString(),
                    QWidget* parent = nullptr);
// A row: the leading widget takes the free width, the trailing one sits at the end.
QWidget* row(QWidget* leading, QWidget* trailing, QWidget* parent = nullptr);
// "Reset to default ..." with a "Reset" button at the end; *button receives it.
QWidget* resetRow(const QString& text, QPushButton** button, QWidget* parent = nullptr);

// One group of rows on a rounded panel, with an optional header above it.
class Section : public QWidget {
    Q_OBJECT
public:
    explicit Section(const QString& header = QString(), QWidget* parent = nullptr);

    void addRow(QWidget* row);
    // The panel holding the rows: disabling it disables the whole section.
    QFrame* panel() const { return panel_; }
    QString header() const;

private:
    QLabel* header_ = nullptr;
    QFrame* panel_ = nullptr;
    QVBoxLayout* rows_ = nullptr;
};

// The scrolling content of a tab: sections stacked from the top.
class Page : public QWidget {
    Q_OBJECT
public:
    explicit Page(QWidget* parent = nullptr);
    Section* addSection(const QString& header = QString());
    void addWidget(QWidget* widget);
    void finish();  // closes the page with a stretch

private:
    QVBoxLayout* layout_ = nullptr;
};

}  // namespace SettingsForm
}  // namespace mirelon
