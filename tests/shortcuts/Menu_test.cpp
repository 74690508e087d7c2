#include "ShortcutsTestSupport.h"

#include "shortcuts/MenuDecoration.h"

#include <QAction>
#include <QMenu>

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

TEST_F(MenuTest, DecorationIsHiddenWhileARecorderRecords) {
    const Name name(QStringLiteral("toggleText"));
    setShortcut(kCtrlK, name);
    QAction action(QStringLiteral("Text"));
    globalKeyboardShortcut(&action, name);
    EXPECT_TRUE(action.text().endsWith(kCtrlK.description()));
    auto& center = NotificationCenter::defaultCenter();
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
