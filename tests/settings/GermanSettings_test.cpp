// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"
#include "settings/SettingsView.h"

#include "settings/SettingsFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

namespace mirelon {
namespace {

// Texts that do not fit their widget, as "class 'text' needs N px, has M px".
QStringList clippedTexts(QWidget* window) {
    QStringList clipped;
    const auto describe = [](QWidget* w, const QString& text, int needed, int has) {
        return QStringLiteral("%1 '%2' needs %3 px, has %4 px")
            .arg(QString::fromLatin1(w->metaObject()->className()), text)
            .arg(needed)
            .arg(has);
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->width() <= 0) {
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty() || label->textFormat() == Qt::RichText) {
                continue;
            }
            const QRect room = label->contentsRect();
            if (label->wordWrap()) {
                const int needed = label->heightForWidth(label->width());
                if (needed > label->height() + 1) {
                    clipped.append(describe(label, label->text(), needed, label->height()) +
                                   QStringLiteral(" (height)"));
                }
                continue;
            }
            const QFontMetrics fm(label->font());
            for (const QString& line : label->text().split(u'\n')) {
                const int needed = fm.horizontalAdvance(line);
                if (needed > room.width() + 1) {
                    clipped.append(describe(label, line, needed, room.width()));
                }
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (button->text().isEmpty()) {
                continue;
            }
            const int needed = button->sizeHint().width();
            if (needed > button->width() + 1) {
                clipped.append(describe(button, button->text(), needed, button->width()));
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (combo->currentText().isEmpty()) {
                continue;
            }
            const int needed = combo->minimumSizeHint().width();
            if (needed > combo->width() + 1) {
                clipped.append(describe(combo, combo->currentText(), needed, combo->width()));
            }
        }
    }
    return clipped;
}

// The settings window in German: every tab translated, drawn into PNGs for a
// person to look at (settings-screenshots/de-*.png), and no text cut off.
class GermanSettings : public testing::SettingsFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(
            Translations::install(QLocale(QLocale::German, QLocale::Germany)).startsWith("de"));
    }
    void TearDown() override { Translations::remove(); }

    QString folder() const {
        const QString dir =
            qEnvironmentVariable("MIRELON_BUILD_DIR", QDir::tempPath()) + "/settings-screenshots";
        QDir().mkpath(dir);
        return dir;
    }
    void check(SettingsView& view, const QString& name) {
        settle();
        view.updateWindowSize();
        settle();
        EXPECT_TRUE(view.grab().save(folder() + "/de-" + name + ".png"));
        const QStringList clipped = clippedTexts(&view);
        EXPECT_TRUE(clipped.isEmpty()) << name.toStdString() << ":\n"
                                       << clipped.join('\n').toStdString();
    }
};

TEST_F(GermanSettings, EveryTabIsTranslatedAndNothingIsCutOff) {
    devices = {{"a", "Desk Camera", false}, {"b", "Studio Camera HD", false}};
    openStore();
    store->updateAppearance("a", &CameraAppearanceSettings::textEnabled, true);
    SettingsView view(context());
    view.show();
    QStringList tabTitles;
    for (auto* button : view.findChildren<QToolButton*>()) {
        tabTitles.append(button->text());
    }
    for (const char* german : {"Allgemein", "Kamera", "Ringlicht", "Tastenkürzel", "Über"}) {
        EXPECT_TRUE(tabTitles.contains(QString::fromUtf8(german)))
            << german << " not among " << tabTitles.join(", ").toStdString();
    }
    for (const auto& info : SettingsView::tabs()) {
        view.selectTab(info.tab);
        check(view, info.rawValue);
    }
    view.selectTab(SettingsView::Tab::camera);
    QScrollBar* bar = view.tabScrollArea(SettingsView::Tab::camera)->verticalScrollBar();
    bar->setValue(bar->maximum());
    check(view, "camera-end");
}

TEST_F(GermanSettings, EnglishNeedsNoTranslationAndSwitchingBackRestoresIt) {
    Translations::remove();
    EXPECT_TRUE(Translations::install(QLocale(QLocale::English, QLocale::UnitedStates)).isEmpty());
    EXPECT_EQ(QCoreApplication::translate("Keys", "Backspace"), "Backspace");
    EXPECT_TRUE(Translations::install(QLocale(QLocale::German, QLocale::Austria)).startsWith("de"));
    EXPECT_EQ(QCoreApplication::translate("Keys", "Backspace"), QString::fromUtf8("Rücktaste"));
    // The menus' own shortcuts (drawn by Qt) use the same modifier names.
    EXPECT_EQ(QKeySequence(Qt::CTRL | Qt::Key_Q).toString(QKeySequence::NativeText), "Strg+Q");
}

}  // namespace
}  // namespace mirelon
