// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/OverlayTextField.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

namespace mirelon {

OverlayTextField::OverlayTextField(int limit, QWidget* parent) : QLineEdit(parent), limit_(limit) {
    connect(this, &QLineEdit::textEdited, this, &OverlayTextField::edited);
}

int OverlayTextField::characterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0) {
        ++count;
    }
    return count;
}

QString OverlayTextField::firstCharacters(const QString& text, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int end = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0) {
            return text;
        }
        end = static_cast<int>(next);
    }
    return text.left(end);
}

void OverlayTextField::edited(const QString& text) {
    if (characterCount(text) > limit_) {
        const int cursor = cursorPosition();
        const QString cut = firstCharacters(text, limit_);
        setText(cut);
        setCursorPosition(std::min(cursor, static_cast<int>(cut.size())));
        commit(cut);
        return;
    }
    commit(text);
}

void OverlayTextField::commit(const QString& text) {
    if (writer_) {
        writer_(text);
    }
}

void OverlayTextField::pasteFrom(const QMimeData* mime) {
    if (!mime || !mime->hasFormat(QStringLiteral("text/plain"))) {
        return;
    }
    const QByteArray bytes = mime->data(QStringLiteral("text/plain"));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString pasted = decoder.decode(bytes);
    if (decoder.hasError()) {
        return;  // not UTF-8: ignored
    }
    QString result = text() + pasted;
    if (characterCount(result) > limit_) {
        result = firstCharacters(result, limit_);
    }
    setText(result);
    commit(result);
}

void OverlayTextField::insertFromClipboard(bool selection) {
    if (isReadOnly() || !isEnabled()) {
        return;
    }
    const QClipboard::Mode mode = selection ? QClipboard::Selection : QClipboard::Clipboard;
    pasteFrom(QGuiApplication::clipboard()->mimeData(mode));
}

void OverlayTextField::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Paste) {
        insertFromClipboard(false);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void OverlayTextField::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        insertFromClipboard(true);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void OverlayTextField::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            action->disconnect();
            connect(action, &QAction::triggered, this, [this] { insertFromClipboard(false); });
        }
    }
    menu->popup(event->globalPos());
}

}  // namespace mirelon
