// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

#include <functional>

class QMimeData;

namespace mirelon {

// The caption text field: at most `limit` characters as the user perceives
// them (grapheme clusters). Typing past the limit keeps the first `limit`;
// pasting appends the pasted plain text to the end, wherever the cursor is,
// and keeps the first `limit`. A longer stored text is shown whole until the
// first edit.
class OverlayTextField : public QLineEdit {
    Q_OBJECT
public:
    explicit OverlayTextField(int limit, QWidget* parent = nullptr);

    // Called with every edited text (already cut to the limit).
    void setTextWriter(std::function<void(const QString&)> writer) { writer_ = std::move(writer); }

    // Applies a paste of the given clipboard contents.
    void pasteFrom(const QMimeData* mime);

    static int characterCount(const QString& text);
    static QString firstCharacters(const QString& text, int count);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void insertFromClipboard(bool selection);

private:
    void edited(const QString& text);
    void commit(const QString& text);

    int limit_;
    std::function<void(const QString&)> writer_;
};

}  // namespace mirelon
