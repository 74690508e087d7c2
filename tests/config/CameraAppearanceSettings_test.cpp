// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CameraAppearanceSettings.h"
#include "config/CameraDeviceConfiguration.h"

#include "support/TempConfig.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

using testing::TempDefaults;

QJsonValue parse(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

TEST(CameraAppearanceSettings, EmptyObjectDecodesToTheDefaultRecord) {
    TempDefaults t;
    const auto decoded = CameraAppearanceSettings::fromJson(QJsonObject{}, *t.defaults);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, CameraAppearanceSettings::defaultSettings(*t.defaults));
    EXPECT_EQ(decoded->cameraShape, AppSettings::CameraShape::squircle);
    EXPECT_EQ(decoded->text, "Mirelon");
    EXPECT_EQ(decoded->borderColor, "#00ff00ff");
    EXPECT_DOUBLE_EQ(decoded->cornerRadius, 40.0);
}

TEST(CameraAppearanceSettings, LegacyKeysSupplyMissingTextFieldsWhenTheyHaveTheRightType) {
    TempDefaults t;
    t.defaults->setDouble("fontSize", 22);
    t.defaults->setDouble("text", 42);  // a number counts for a string key, as its text
    t.defaults->setString("backgroundRadius", "big");  // a string does not count for a number
    t.defaults->setBool("textEnabled", true);
    auto decoded = CameraAppearanceSettings::fromJson(QJsonObject{}, *t.defaults);
    ASSERT_TRUE(decoded);
    EXPECT_DOUBLE_EQ(decoded->fontSize, 22);
    EXPECT_EQ(decoded->text, "42");
    EXPECT_DOUBLE_EQ(decoded->backgroundRadius, 10.0);
    EXPECT_TRUE(decoded->textEnabled);
    // Present fields win over legacy keys, and legacy keys never reach non-text fields.
    decoded = CameraAppearanceSettings::fromJson(parse(R"({"fontSize": 30})"), *t.defaults);
    EXPECT_DOUBLE_EQ(decoded->fontSize, 30);

    t.defaults->setString("fontSize", "22");
    EXPECT_DOUBLE_EQ(CameraAppearanceSettings::fromJson(QJsonObject{}, *t.defaults)->fontSize,
                     16.0);
    // The compiled-in record ignores legacy keys (used by the resets).
    EXPECT_EQ(CameraAppearanceSettings::compiledDefault().text, "Mirelon");
}

TEST(CameraAppearanceSettings, WrongTypesAndUnknownRawValuesFailTheWholeDecode) {
    TempDefaults t;
    for (const char* bad : {R"({"cameraShape": "hexagon"})", R"({"cameraShape": "Circle"})",
                            R"({"zoom": "2"})", R"({"cameraMirroringEnabled": 1})",
                            R"({"borderColor": 5})", R"({"aspectRatio": "2:1"})"}) {
        QString error;
        EXPECT_FALSE(CameraAppearanceSettings::fromJson(parse(bad), *t.defaults, &error)) << bad;
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(CameraAppearanceSettings::fromJson(QJsonValue(3), *t.defaults));
    const auto nullZoom =
        CameraAppearanceSettings::fromJson(parse(R"({"zoom": null, "extra": 1})"), *t.defaults);
    ASSERT_TRUE(nullZoom);
    EXPECT_DOUBLE_EQ(nullZoom->zoom, 1.0);
}

TEST(CameraAppearanceSettings, EncodesAllFieldsAndRoundTrips) {
    TempDefaults t;
    auto r = CameraAppearanceSettings::compiledDefault();
    r.cameraShape = AppSettings::CameraShape::circle;
    r.aspectRatio = AppSettings::AspectRatio::sixteenbynine;
    r.colorMultiply = AppSettings::ColorMultiply::purple;
    r.hueRotation = -123.456;
    r.text = QString::fromUtf8("Zoë 🎥");
    const QJsonObject o = r.toJson();
    EXPECT_EQ(o.size(), 26);
    EXPECT_EQ(o.value("aspectRatio"), QJsonValue("16:9"));
    EXPECT_EQ(CameraAppearanceSettings::fromJson(o, *t.defaults), r);
}

TEST(CameraDeviceConfiguration, RequiresIdNameAndEnabledAndDefaultsTheRest) {
    TempDefaults t;
    const auto minimal = CameraDeviceConfiguration::fromJson(
        parse(R"({"id": "a", "name": "A", "isEnabled": true})"), *t.defaults);
    ASSERT_TRUE(minimal);
    EXPECT_EQ(minimal->position, AppSettings::Position::bottomRight);
    EXPECT_FALSE(minimal->windowOriginX.has_value());
    EXPECT_EQ(minimal->appearance, CameraAppearanceSettings::defaultSettings(*t.defaults));

    for (const char* bad :
         {R"({"name": "A", "isEnabled": true})", R"({"id": "a", "name": "A", "isEnabled": "yes"})",
          R"({"id": "a", "name": "A", "isEnabled": true, "position": "Middle"})",
          R"({"id": "a", "name": "A", "isEnabled": true, "windowOriginX": "1"})",
          R"({"id": "a", "name": "A", "isEnabled": true,
                                "appearance": {"zoom": true}})"}) {
        EXPECT_FALSE(CameraDeviceConfiguration::fromJson(parse(bad), *t.defaults)) << bad;
    }

    CameraDeviceConfiguration c = *minimal;
    c.windowOriginX = 100;
    c.windowOriginY = -20.5;
    c.position = AppSettings::Position::custom;
    EXPECT_EQ(CameraDeviceConfiguration::fromJson(c.toJson(), *t.defaults), c);
    EXPECT_FALSE(minimal->toJson().contains("windowOriginX"));
}

TEST(CameraDeviceConfiguration, ArrayWithOneBadRecordFailsAsAWhole) {
    TempDefaults t;
    EXPECT_FALSE(
        decodeConfigurations(R"([{"id":"a","name":"A","isEnabled":true},{"id":1}])", *t.defaults));
    EXPECT_FALSE(decodeConfigurations("{}", *t.defaults));
    EXPECT_FALSE(decodeConfigurations("not json", *t.defaults));
    const auto ok = decodeConfigurations("[]", *t.defaults);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(ok->isEmpty());
}

}  // namespace
}  // namespace mirelon
