#include "settings/KeyShortcutsSettingsView.h"

#include "shortcuts/Recorder.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

TEST(KeyShortcutsTab, TwelveRecordersInMenuOrderWithTheirLabels) {
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
    const QStringList names = {"toggleMirelon",
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
    for (int i = 0; i < 12; ++i) {
        auto* label = qobject_cast<QLabel*>(recorders[i]->label());
        ASSERT_NE(label, nullptr) << i;
        EXPECT_EQ(label->text(), labels[i]);
        EXPECT_EQ(recorders[i]->property("shortcutName").toString(), names[i]);
        EXPECT_NE(recorders[i]->field(), nullptr);
    }
}

}  // namespace
}  // namespace mirelon
