// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShortcutsTestSupport.h"

#include <QJsonValue>

namespace mirelon::GlobalShortcuts {
namespace {

using testing::kCmdA;
using testing::kCtrlK;
using testing::kCtrlOptCmdK;
using testing::ShortcutsTest;

using StorageTest = ShortcutsTest;

TEST_F(StorageTest, StoredValueTable) {
    const Name name(QStringLiteral("toggleText"));
    EXPECT_EQ(name.storageKey(), QStringLiteral("GlobalShortcuts_toggleText"));
    EXPECT_FALSE(getShortcut(name));
    EXPECT_FALSE(userDefaultsContains(name));

    store->setString(name.storageKey(),
                     QStringLiteral(R"({"carbonKeyCode":40,"carbonModifiers":4096})"));
    EXPECT_EQ(getShortcut(name), kCtrlK);

    store->setBool(name.storageKey(), false);
    EXPECT_FALSE(getShortcut(name));
    EXPECT_TRUE(userDefaultsContains(name));

    store->setDouble(name.storageKey(), 40);
    EXPECT_FALSE(getShortcut(name));
    store->setString(name.storageKey(), QStringLiteral("not json"));
    EXPECT_FALSE(getShortcut(name));
    store->setValue(name.storageKey(), QJsonValue(QJsonObject{{"carbonKeyCode", 40}}));
    EXPECT_FALSE(getShortcut(name));
    EXPECT_TRUE(changedNames.empty());  // reading never announces anything
}

TEST_F(StorageTest, StoringRegistersWritesAndAnnounces) {
    const Name name(QStringLiteral("toggleRingLight"));
    setShortcut(kCtrlOptCmdK, name);
    EXPECT_EQ(store->stringValue(QStringLiteral("GlobalShortcuts_toggleRingLight")),
              QStringLiteral(R"({"carbonKeyCode":40,"carbonModifiers":6400})"));
    EXPECT_EQ(name.shortcut(), kCtrlOptCmdK);
    EXPECT_TRUE(backend->isGrabbed(kCtrlOptCmdK));
    EXPECT_EQ(changedNames, std::vector<QString>{QStringLiteral("toggleRingLight")});

    // Replacing releases the old combination.
    name.setShortcut(kCmdA);
    EXPECT_FALSE(backend->isGrabbed(kCtrlOptCmdK));
    EXPECT_TRUE(backend->isGrabbed(kCmdA));
    EXPECT_FALSE(isRegisteredShortcut(kCtrlOptCmdK));
    EXPECT_EQ(changedNames.size(), 2u);
}

TEST_F(StorageTest, SettingTheSameShortcutTwiceRegistersItOnceUnderANewId) {
    const Name name(QStringLiteral("toggleText"));
    setShortcut(kCtrlK, name);
    const auto first = hotKeyIdsFor(kCtrlK);
    setShortcut(kCtrlK, name);
    const auto second = hotKeyIdsFor(kCtrlK);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_GT(second[0], first[0]);
    EXPECT_EQ(backend->grabbed.size(), 1u);
    EXPECT_EQ(changedNames.size(), 2u);
}

TEST_F(StorageTest, RemovingWithoutDefaultDeletesTheKey) {
    const Name name(QStringLiteral("toggleText"));
    setShortcut(std::nullopt, name);  // nothing stored: no-op
    EXPECT_TRUE(changedNames.empty());
    EXPECT_FALSE(userDefaultsContains(name));

    setShortcut(kCtrlK, name);
    setShortcut(std::nullopt, name);
    EXPECT_FALSE(userDefaultsContains(name));
    EXPECT_FALSE(backend->isGrabbed(kCtrlK));
    EXPECT_FALSE(isRegisteredShortcut(kCtrlK));
    EXPECT_EQ(changedNames.size(), 2u);
}

TEST_F(StorageTest, DefaultIsAppliedOnceAndRemovalStoresFalse) {
    const Name first(QStringLiteral("toggleMirelon"), kCtrlOptCmdK);
    EXPECT_EQ(getShortcut(first), kCtrlOptCmdK);
    EXPECT_TRUE(backend->isGrabbed(kCtrlOptCmdK));
    EXPECT_EQ(changedNames.size(), 1u);

    // A second declaration in the same process finds the stored value.
    const Name again(QStringLiteral("toggleMirelon"), kCmdA);
    EXPECT_EQ(getShortcut(again), kCtrlOptCmdK);
    EXPECT_EQ(changedNames.size(), 1u);

    setShortcut(std::nullopt, first);
    EXPECT_EQ(store->value(first.storageKey()), QJsonValue(false));
    EXPECT_FALSE(backend->isGrabbed(kCtrlOptCmdK));

    // Boolean false wins over the default from then on.
    const Name later(QStringLiteral("toggleMirelon"), kCtrlOptCmdK);
    EXPECT_FALSE(getShortcut(later));
    EXPECT_EQ(changedNames.size(), 2u);
}

TEST_F(StorageTest, ResetRestoresDefaultsInOrder) {
    const Name withDefault(QStringLiteral("a"), kCtrlK);
    const Name without(QStringLiteral("b"));
    setShortcut(kCmdA, withDefault);
    setShortcut(kCtrlOptCmdK, without);
    changedNames.clear();
    reset({withDefault, without});
    EXPECT_EQ(getShortcut(withDefault), kCtrlK);
    EXPECT_FALSE(userDefaultsContains(without));
    EXPECT_EQ(changedNames, (std::vector<QString>{QStringLiteral("a"), QStringLiteral("b")}));
}

TEST_F(StorageTest, EqualityAndHashingOfNamesUseTheRawValueOnly) {
    const Name a(QStringLiteral("x"), kCtrlK);
    const Name b(QStringLiteral("x"));
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    EXPECT_NE(Name(QStringLiteral("y")), b);
}

}  // namespace
}  // namespace mirelon::GlobalShortcuts
