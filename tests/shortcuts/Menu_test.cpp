// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShortcutsTestSupport.h"

#include "shortcuts/MenuDecoration.h"

#include <QAction>
#include <QImage>
#include <QMenu>

#include <cstdlib>

namespace mirelon::GlobalShortcuts {
namespace {

using testing::kCmdA;
using testing::kCtrlK;
using testing::kCtrlOptCmdK;
using testing::ShortcutsTest;

using MenuTest = ShortcutsTest;

const QString kTab = QStringLiteral("\t");

TEST_F(MenuTest, DecorationShowsTheShortcutBesideTheTitleAndFollowsChanges) {
    const Name name(QStringLiteral("toggleText"));
    QMenu menu;
    QAction* action = menu.addAction(QStringLiteral("Text"));
    globalKeyboardShortcut(action, name);
    EXPECT_EQ(action->text(), QStringLiteral("Text"));

    setShortcut(kCtrlOptCmdK, name);
    EXPECT_EQ(action->text(), QStringLiteral("Text") + kTab + kCtrlOptCmdK.description());
    EXPECT_TRUE(action->shortcut().isEmpty());  // never a live shortcut

    // Changes of another name leave it alone.
    setShortcut(kCmdA, Name(QStringLiteral("other")));
    EXPECT_EQ(action->text(), QStringLiteral("Text") + kTab + kCtrlOptCmdK.description());

    // The owner renames the item: the shortcut text stays beside the new title.
    action->setText(QStringLiteral("Stop Mirelon"));
    EXPECT_EQ(action->text(), QStringLiteral("Stop Mirelon") + kTab + kCtrlOptCmdK.description());

    setShortcut(std::nullopt, name);
    EXPECT_EQ(action->text(), QStringLiteral("Stop Mirelon"));
}

// Counts pixels in the right part of an item's row that differ clearly from
// the row's background.
int inkInShortcutColumn(const QImage& image, const QRect& row) {
    const QColor background = image.pixelColor(row.left() + 3, row.top() + 3);
    int ink = 0;
    for (int y = row.top() + 2; y <= row.bottom() - 2; ++y) {  // inside the menu frame
        for (int x = row.left() + row.width() * 6 / 10; x < row.right() - 3; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.lightness() - background.lightness()) > 60) {
                ++ink;
            }
        }
    }
    return ink;
}

TEST_F(MenuTest, MenuDrawsTheShortcutTextInItsShortcutColumn) {
    const Name name(QStringLiteral("toggleText"));
    QMenu menu;
    QAction* action = menu.addAction(QStringLiteral("Text"));
    menu.addAction(QStringLiteral("Increase Camera Size"));  // a longer title below
    globalKeyboardShortcut(action, name);
    menu.ensurePolished();
    menu.adjustSize();
    const QImage plain = menu.grab().toImage();
    const QRect plainRow = menu.actionGeometry(action);
    setShortcut(kCtrlOptCmdK, name);
    menu.adjustSize();
    const QImage decorated = menu.grab().toImage();
    const QRect decoratedRow = menu.actionGeometry(action);
    const QString shots = qEnvironmentVariable("MIRELON_SHORTCUTS_SCREENSHOTS");
    if (!shots.isEmpty()) {
        decorated.save(shots + QStringLiteral("/menu-shortcut-text.png"));
    }
    EXPECT_EQ(inkInShortcutColumn(plain, plainRow), 0);
    EXPECT_GT(inkInShortcutColumn(decorated, decoratedRow), 10);
}

TEST_F(MenuTest, DecorationIsHiddenWhileARecorderRecords) {
    const Name name(QStringLiteral("toggleText"));
    setShortcut(kCtrlK, name);
    QAction action(QStringLiteral("Text"));
    globalKeyboardShortcut(&action, name);
    EXPECT_TRUE(action.text().endsWith(kCtrlK.description()));
    auto& center = EventBus::shared();
    center.post(recorderActiveStatusDidChange, true);
    EXPECT_EQ(action.text(), QStringLiteral("Text"));
    center.post(recorderActiveStatusDidChange, QStringLiteral("yes"));  // not a Bool: inactive
    EXPECT_TRUE(action.text().endsWith(kCtrlK.description()));
    center.post(recorderActiveStatusDidChange, true);
    center.post(recorderActiveStatusDidChange, false);
    EXPECT_TRUE(action.text().endsWith(kCtrlK.description()));
}

TEST_F(MenuTest, DecorationNeedsKeyText) {
    const Name name(QStringLiteral("toggleText"));
    setShortcut(Shortcut(200, CarbonModifier::command), name);  // a key without text
    QAction action(QStringLiteral("Text"));
    globalKeyboardShortcut(&action, name);
    EXPECT_EQ(action.text(), QStringLiteral("Text"));
    // Re-decorating with another name replaces the first decoration.
    setShortcut(kCtrlK, Name(QStringLiteral("b")));
    globalKeyboardShortcut(&action, Name(QStringLiteral("b")));
    EXPECT_EQ(action.text(), QStringLiteral("Text") + kTab + kCtrlK.description());
    EXPECT_EQ(action.findChildren<GlobalKeyboardShortcutDecoration*>().size(), 1);
}

TEST_F(MenuTest, FindsTheMenuItemWithTheSameKeySequenceDepthFirst) {
    QMenu menu;
    QAction* settings = menu.addAction(QStringLiteral("Settings…"));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    QMenu* sub = menu.addMenu(QStringLiteral("More"));
    QAction* deep = sub->addAction(QStringLiteral("Deep"));
    deep->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    QAction* later = menu.addAction(QStringLiteral("Later"));
    later->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    QAction* f5 = menu.addAction(QStringLiteral("Refresh"));
    f5->setShortcut(QKeySequence(Qt::Key_F5));
    QAction* quit = menu.addAction(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    EXPECT_EQ(menuItemWithMatchingShortcut(Shortcut(Key::comma, ModifierFlag::control), menu),
              settings);
    EXPECT_EQ(menuItemWithMatchingShortcut(
                  Shortcut(Key::k, ModifierFlag::control | ModifierFlag::shift), menu),
              deep);
    EXPECT_EQ(menuItemWithMatchingShortcut(Shortcut(Key::f5, 0), menu), f5);
    EXPECT_EQ(menuItemWithMatchingShortcut(Shortcut(Key::q, ModifierFlag::control), menu), quit);
    // Modifiers must match exactly.
    EXPECT_EQ(menuItemWithMatchingShortcut(kCtrlK, menu), nullptr);
    EXPECT_EQ(menuItemWithMatchingShortcut(
                  Shortcut(Key::q, ModifierFlag::control | ModifierFlag::option), menu),
              nullptr);
    EXPECT_EQ(menuItemWithMatchingShortcut(Shortcut(Key::f5, ModifierFlag::shift), menu), nullptr);

    setApplicationMenu(&menu);
    EXPECT_EQ(applicationMenuItemWithMatchingShortcut(Shortcut(Key::q, ModifierFlag::control)),
              quit);
    setApplicationMenu(nullptr);
    // Without an explicit menu every top-level menu is searched.
    EXPECT_EQ(applicationMenuItemWithMatchingShortcut(Shortcut(Key::q, ModifierFlag::control)),
              quit);
}

}  // namespace
}  // namespace mirelon::GlobalShortcuts
