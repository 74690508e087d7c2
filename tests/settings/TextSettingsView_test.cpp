// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TextSettingsView.h"

#include "config/ColorCodec.h"
#include "settings/ColorPickerButton.h"
#include "settings/OverlayTextField.h"
#include "settings/SettingsFixture.h"
#include "settings/SettingsSliderRow.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSlider>

namespace mirelon {
namespace {

class TextTab : public testing::SettingsFixture {
protected:
    std::unique_ptr<TextSettingsView> view;

    void open() {
        view = std::make_unique<TextSettingsView>(context());
        view->appear();
        settle();
    }
    void openWithCamera(bool textEnabled = true, const QString& text = QString()) {
        devices = {{"a", "Alpha", false}};
        openStore();
        store->updateAppearance("a", &CameraAppearanceSettings::textEnabled, textEnabled);
        store->updateAppearance("a", &CameraAppearanceSettings::text, text);
        open();
    }
    QString storedText() const { return appearance("a").text; }
    // Types one character at the cursor the way a user does.
    void type(const QString& character) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, character);
        QCoreApplication::sendEvent(view->textField(), &press);
    }
    void paste(const QByteArray& bytes) {
        QMimeData data;
        data.setData("text/plain", bytes);
        view->textField()->pasteFrom(&data);
    }
};

TEST_F(TextTab, CharacterCountingFollowsWhatTheUserSees) {
    EXPECT_EQ(OverlayTextField::characterCount("hello"), 5);
    // A family emoji (one grapheme of 7 code points) and e + combining acute.
    const QString family = QString::fromUtf8(
        "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80"
        "\x8D\xF0\x9F\x91\xA7");
    const QString accented = QString::fromUtf8("e\xCC\x81");
    EXPECT_EQ(OverlayTextField::characterCount(family + accented), 2);
    EXPECT_EQ(OverlayTextField::firstCharacters(family + accented + "x", 2), family + accented);
}

TEST_F(TextTab, TypingAThirtyFirstCharacterKeepsTheFirstThirty) {
    const QString thirty = QString("abcdefghij").repeated(3);
    openWithCamera(true, thirty);
    EXPECT_EQ(view->remainingCaption()->text(), "0 characters remaining");
    view->textField()->setCursorPosition(30);
    type("Z");
    EXPECT_EQ(storedText(), thirty);
    EXPECT_EQ(view->textField()->text(), thirty);
    EXPECT_EQ(view->remainingCaption()->text(), "0 characters remaining");

    view->textField()->setCursorPosition(0);
    type("Q");  // typed in front: the tail is what goes
    EXPECT_EQ(storedText(), "Q" + thirty.left(29));
}

TEST_F(TextTab, LongerStoredTextIsShownWholeUntilTheFirstEdit) {
    const QString old = QString("0123456789").repeated(4);  // 40
    openWithCamera(true, old);
    EXPECT_EQ(view->textField()->text(), old);
    EXPECT_EQ(view->remainingCaption()->text(), "-10 characters remaining");
    EXPECT_EQ(storedText(), old) << "showing it must not cut it";

    view->textField()->setCursorPosition(40);
    type("x");
    EXPECT_EQ(storedText(), old.left(30));
    EXPECT_EQ(view->remainingCaption()->text(), "0 characters remaining");
}

TEST_F(TextTab, PasteAppendsAtTheEndAndKeepsThirty) {
    openWithCamera(true, "hello");
    view->textField()->setCursorPosition(0);
    paste("world");
    EXPECT_EQ(storedText(), "helloworld");
    EXPECT_EQ(view->textField()->text(), "helloworld");

    store->updateAppearance("a", &CameraAppearanceSettings::text, QString());
    paste(QByteArray("abcdefghij").repeated(4));
    EXPECT_EQ(storedText(), QString("abcdefghij").repeated(3));

    // Bytes that are not UTF-8 are ignored.
    paste(QByteArray("\xff\xfe\x00", 3));
    EXPECT_EQ(storedText(), QString("abcdefghij").repeated(3));
}

TEST_F(TextTab, CtrlVPastesTheClipboardAtTheEnd) {
    openWithCamera(true, "hello");
    QGuiApplication::clipboard()->setText("world");
    view->textField()->setCursorPosition(2);
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, "v");
    QCoreApplication::sendEvent(view->textField(), &paste);
    EXPECT_EQ(storedText(), "helloworld");
}

TEST_F(TextTab, NoCameraDisablesEverythingAndShowsDefaults) {
    open();
    EXPECT_FALSE(view->noCamerasLabel()->isHidden());
    EXPECT_FALSE(view->cameraPicker()->isVisibleTo(view.get()));
    EXPECT_FALSE(view->enableToggle()->isEnabled());
    EXPECT_FALSE(view->textEntryGroup()->isEnabled());
    for (QWidget* row : view->styleRows()) {
        EXPECT_FALSE(row->isEnabled());
    }
    const auto& d = AppSettings::shared();
    EXPECT_EQ(view->textField()->text(), d.text);
    EXPECT_EQ(view->sliderRow("Font Size")->slider()->value(),
              view->sliderRow("Font Size")->positionOf(d.fontSize));
    EXPECT_EQ(view->fontColorButton()->color(), storedColor(d.fontColor));
}

TEST_F(TextTab, OverlayOffDisablesEditingButKeepsStoredValues) {
    openWithCamera(false, "Ada");
    store->updateAppearance("a", &CameraAppearanceSettings::fontSize, 42.0);
    EXPECT_TRUE(view->enableToggle()->isEnabled());
    EXPECT_FALSE(view->enableToggle()->isChecked());
    EXPECT_FALSE(view->textEntryGroup()->isEnabled());
    for (QWidget* row : view->styleRows()) {
        EXPECT_FALSE(row->isEnabled());
    }
    EXPECT_EQ(view->textField()->text(), "Ada");
    EXPECT_EQ(view->sliderRow("Font Size")->slider()->value(),
              view->sliderRow("Font Size")->positionOf(42));

    view->enableToggle()->click();
    EXPECT_TRUE(appearance("a").textEnabled);
    EXPECT_TRUE(view->textEntryGroup()->isEnabled());
    for (QWidget* row : view->styleRows()) {
        EXPECT_TRUE(row->isEnabled());
    }
}

TEST_F(TextTab, ControlsWriteAtOnceAndResetKeepsTheToggle) {
    openWithCamera(true, "Ada");
    view->sliderRow("Font Size")->slider()->setValue(SettingsSliderRow::kSteps);
    EXPECT_EQ(appearance("a").fontSize, 100);
    view->sliderRow("Background Radius")->slider()->setValue(0);
    EXPECT_EQ(appearance("a").backgroundRadius, 0);
    view->sliderRow("Padding")->slider()->setValue(SettingsSliderRow::kSteps);
    EXPECT_EQ(appearance("a").textPadding, 50);
    view->fontColorButton()->pick(QColor(1, 2, 3, 4));
    EXPECT_EQ(appearance("a").fontColor, "#01020304");
    view->backgroundColorButton()->pick(QColor(255, 0, 0, 128));
    EXPECT_EQ(appearance("a").backgroundColor, "#FF000080");
    ASSERT_GT(view->fontPicker()->count(), 0);
    const int last = view->fontPicker()->count() - 1;
    view->fontPicker()->setCurrentIndex(last);
    Q_EMIT view->fontPicker()->activated(last);
    EXPECT_EQ(appearance("a").font, view->fontPicker()->itemData(last).toString());

    view->resetButton()->click();
    const auto a = appearance("a");
    const auto d = CameraAppearanceSettings::compiledDefault();
    EXPECT_EQ(a.text, "Mirelon");
    EXPECT_EQ(a.font, "Arial Rounded MT Bold");
    EXPECT_EQ(a.fontSize, 16);
    EXPECT_EQ(a.fontColor, d.fontColor);
    EXPECT_EQ(a.backgroundColor, d.backgroundColor);
    EXPECT_EQ(a.backgroundRadius, 10);
    EXPECT_EQ(a.textPadding, 5);
    EXPECT_TRUE(a.textEnabled) << "reset keeps the toggle";
    EXPECT_EQ(view->fontColorButton()->color(), QColor(Qt::white));
    EXPECT_EQ(view->backgroundColorButton()->color(), storedColor(d.backgroundColor));
    EXPECT_EQ(view->fontPicker()->currentText(), "Arial Rounded MT Bold");
}

TEST_F(TextTab, RefreshingThePickersNeverRewritesStoredColours) {
    devices = {{"a", "Alpha", false}};
    openStore();
    store->updateAppearance("a", &CameraAppearanceSettings::textEnabled, true);
    store->updateAppearance("a", &CameraAppearanceSettings::fontColor, QString("#abc"));
    store->updateAppearance("a", &CameraAppearanceSettings::backgroundColor, QString("#7564e7ff"));
    open();
    EXPECT_EQ(view->fontColorButton()->color(), QColor(Qt::white));
    EXPECT_EQ(view->backgroundColorButton()->color(), QColor(0x75, 0x64, 0xe7));
    view->sliderRow("Padding")->slider()->setValue(100);
    EXPECT_EQ(appearance("a").fontColor, "#abc");
    EXPECT_EQ(appearance("a").backgroundColor, "#7564e7ff");
}

TEST_F(TextTab, PickerFollowsTheSharedSelectionAndKeepsAnUnpluggedCamera) {
    devices = {{"a", "Alpha", false}, {"b", "Beta", false}};
    open();
    EXPECT_EQ(view->cameraPicker()->count(), 2);
    EXPECT_EQ(view->editingCaption()->text(), "Editing text for Alpha");
    view->cameraPicker()->setCurrentIndex(1);
    Q_EMIT view->cameraPicker()->activated(1);
    EXPECT_EQ(prefs().selectedSettingsCameraDeviceID(), "b");
    EXPECT_EQ(view->editingCaption()->text(), "Editing text for Beta");

    unplug("b");
    settle();
    EXPECT_EQ(view->selectedDeviceID(), "b") << "an unplugged camera stays selected here";
    EXPECT_FALSE(view->enableToggle()->isEnabled());
    EXPECT_FALSE(view->editingCaption()->isVisibleTo(view.get()));
}

}  // namespace
}  // namespace mirelon
