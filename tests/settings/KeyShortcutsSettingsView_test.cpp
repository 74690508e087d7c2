// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/KeyShortcutsSettingsView.h"

#include "platform/PlatformLoader.h"
#include "platform/files/PreferencesFile.h"
#include "platform/qt/EventBus.h"
#include "shortcuts/GlobalShortcuts.h"
#include "shortcuts/GlobalShortcutsTesting.h"
#include "shortcuts/Recorder.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace mirelon {
namespace {

const QStringList kNames = {"toggleMirelon",
                            "toggleText",
                            "toggleRingLight",
                            "increaseCameraSize",
                            "decreaseCameraSize",
                            "toggleCameraMirroring",
                            "increaseTextSize",
                            "decreaseTextSize",
                            "increaseRingLightTemperature",
                            "decreaseRingLightTemperature",
                            "increaseRingLightWidth",
                            "decreaseRingLightWidth"};

// A hot-key service of a chosen kind that accepts everything and can report
// triggers the way a desktop's portal does.
class KindBackend final : public GlobalShortcuts::HotKeyBackend {
public:
    explicit KindBackend(Kind kind) : kind_(kind) {}
    void setSink(Sink s) override { sink = std::move(s); }
    int registerHotKey(std::uint32_t, std::uint32_t, std::uint32_t) override { return 0; }
    void unregisterHotKey(std::uint32_t) override {}
    bool isHeldByAnotherClient(std::uint32_t, std::uint32_t) override { return false; }
    std::optional<QString> keyText(std::int64_t) const override { return std::nullopt; }
    Kind kind() const override { return kind_; }
    std::optional<QString> boundTrigger(const QString& name) const override {
        const auto it = triggers.find(name);
        return it == triggers.end() ? std::nullopt : std::optional<QString>(it->second);
    }
    Sink sink;
    std::map<QString, QString> triggers;

private:
    Kind kind_;
};

class KeyShortcutsTab : public ::testing::Test {
protected:
    void use(DisplayMode mode, GlobalShortcuts::HotKeyBackend::Kind kind) {
        PlatformLoader::setModeForTesting(mode);
        backend = std::make_shared<KindBackend>(kind);
        GlobalShortcuts::setHotKeyBackend(backend);
        GlobalShortcuts::resetStateForTesting();
    }
    void SetUp() override {
        store = std::make_unique<PreferencesFile>(dir.filePath(QStringLiteral("defaults.json")));
        GlobalShortcuts::setPreferencesFile(store.get());
        use(DisplayMode::X11, GlobalShortcuts::HotKeyBackend::Kind::KeyGrabs);
    }
    void TearDown() override {
        PlatformLoader::setModeForTesting(DisplayMode::X11);
        GlobalShortcuts::resetStateForTesting();
        GlobalShortcuts::setHotKeyBackend(nullptr);
        GlobalShortcuts::setPreferencesFile(nullptr);
    }
    QTemporaryDir dir;
    std::unique_ptr<PreferencesFile> store;
    std::shared_ptr<KindBackend> backend;
};

TEST_F(KeyShortcutsTab, TwelveRecordersInMenuOrderWithTheirLabels) {
    KeyShortcutsSettingsView view;
    const auto recorders = view.recorders();
    ASSERT_EQ(recorders.size(), 12);
    const QStringList labels = {"Toggle Mirelon",
                                "Toggle Text",
                                "Toggle Ring Light",
                                "Increase Camera Size",
                                "Decrease Camera Size",
                                "Toggle Camera Mirroring",
                                "Increase Text Size",
                                "Decrease Text Size",
                                "Increase Ring Light Temperature",
                                "Decrease Ring Light Temperature",
                                "Increase Ring Light Brightness",
                                "Decrease Ring Light Brightness"};
    for (int i = 0; i < 12; ++i) {
        auto* label = qobject_cast<QLabel*>(recorders[i]->label());
        ASSERT_NE(label, nullptr) << i;
        EXPECT_EQ(label->text(), labels[i]);
        EXPECT_EQ(recorders[i]->property("shortcutName").toString(), kNames[i]);
        EXPECT_NE(recorders[i]->field(), nullptr);
    }
    // On X11 the recorded shortcuts work everywhere: no commands to copy.
    EXPECT_TRUE(view.copyButtons().isEmpty());
    EXPECT_EQ(view.commandNote(), nullptr);
}

TEST_F(KeyShortcutsTab, ThroughXWaylandRowsOfferRecorderAndCommand) {
    use(DisplayMode::XWayland, GlobalShortcuts::HotKeyBackend::Kind::KeyGrabs);
    KeyShortcutsSettingsView view;
    EXPECT_EQ(view.recorders().size(), 12);
    ASSERT_EQ(view.copyButtons().size(), 12);
    ASSERT_NE(view.commandNote(), nullptr);
    EXPECT_TRUE(view.commandNote()->text().contains(QStringLiteral("only while a Mirelon window")));
    EXPECT_TRUE(view.commandNote()->text().contains(QStringLiteral("mirelon --action NAME")));
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(view.copyButtons()[i]->property("command").toString(),
                  QStringLiteral("mirelon --action ") + kNames[i]);
    }
    view.copyButtons()[3]->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("mirelon --action increaseCameraSize"));
}

TEST_F(KeyShortcutsTab, NativeWaylandWithoutPortalOffersOnlyCommands) {
    use(DisplayMode::WaylandNative, GlobalShortcuts::HotKeyBackend::Kind::Unavailable);
    KeyShortcutsSettingsView view;
    EXPECT_TRUE(view.recorders().isEmpty());
    // Native mode adds the move-mode row after the twelve shortcuts.
    ASSERT_EQ(view.copyButtons().size(), 13);
    ASSERT_NE(view.commandNote(), nullptr);
    EXPECT_TRUE(view.commandNote()->text().contains(QStringLiteral("does not let programs")));
    // Each row names its command.
    const auto labels = view.findChildren<QLabel*>();
    const bool shown = std::any_of(labels.begin(), labels.end(), [](QLabel* l) {
        return l->text() == QStringLiteral("mirelon --action decreaseRingLightWidth");
    });
    EXPECT_TRUE(shown);
    view.copyButtons()[11]->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("mirelon --action decreaseRingLightWidth"));
    view.copyButtons().last()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("mirelon --action moveCameraPanels"));
}

TEST_F(KeyShortcutsTab, PortalModeShowsTheDesktopsTriggerWhenItDiffers) {
    using namespace GlobalShortcuts;
    use(DisplayMode::WaylandNative, HotKeyBackend::Kind::Portal);
    const Name toggle(QStringLiteral("toggleMirelon"));
    const Name text(QStringLiteral("toggleText"));
    setShortcut(Shortcut(Key::m, ModifierFlag::control | ModifierFlag::option), toggle);
    setShortcut(Shortcut(Key::t, ModifierFlag::control | ModifierFlag::option), text);
    KeyShortcutsSettingsView view;
    ASSERT_EQ(view.recorders().size(), 13);  // the twelve and move mode
    EXPECT_TRUE(view.copyButtons().isEmpty());
    EXPECT_EQ(view.commandNote(), nullptr);
    const QString storedToggle = view.recorders()[0]->field()->text();
    const QString storedText = view.recorders()[1]->field()->text();

    // The desktop reports the same combination in its own spelling for one
    // name, and another combination (changed in its settings) for the other.
    backend->triggers[QStringLiteral("toggleMirelon")] = QStringLiteral("Ctrl+Alt+M");
    backend->triggers[QStringLiteral("toggleText")] = QStringLiteral("Meta+F9");
    backend->sink.triggersChanged();
    EXPECT_EQ(view.recorders()[0]->field()->text(), storedToggle);
    EXPECT_EQ(view.recorders()[1]->field()->text(), QStringLiteral("Meta+F9"));
    EXPECT_NE(storedText, QStringLiteral("Meta+F9"));
    EXPECT_EQ(desktopTrigger(text), QStringLiteral("Meta+F9"));
    EXPECT_EQ(desktopTrigger(toggle), std::nullopt);
}

// GNOME runs the command with its own search path: "mirelon" only where that
// finds this very program, its path otherwise.
TEST(DesktopCommand, NamesThisProgramSoTheDesktopFindsIt) {
    QTemporaryDir dir;
    const QString installed = dir.filePath(QStringLiteral("bin/mirelon"));
    const QString built = dir.filePath(QStringLiteral("it's a build/mirelon"));
    for (const QString& file : {installed, built}) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString link = dir.filePath(QStringLiteral("bin/mirelon-link"));
    ASSERT_TRUE(QFile::link(installed, link));

    using View = KeyShortcutsSettingsView;
    const QString name = QStringLiteral("toggleMirelon");
    EXPECT_EQ(View::desktopCommand(name, installed, installed),
              QStringLiteral("mirelon --action toggleMirelon"));
    // found through a link to the same file
    EXPECT_EQ(View::desktopCommand(name, installed, link),
              QStringLiteral("mirelon --action toggleMirelon"));
    // not on the search path, or another program is: this one's own path,
    // quoted where a shell would split or unquote it
    EXPECT_EQ(View::desktopCommand(name, installed, QString()),
              installed + QStringLiteral(" --action toggleMirelon"));
    const QString quoted = u'\'' + dir.path() + QStringLiteral("/it'\\''s a build/mirelon'");
    EXPECT_EQ(View::desktopCommand(name, built, installed),
              quoted + QStringLiteral(" --action toggleMirelon"));
}

}  // namespace
}  // namespace mirelon
