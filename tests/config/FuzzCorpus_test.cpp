// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UpdateFeed.h"
#include "capture/SimulatedCameraDirectory.h"
#include "config/CameraAppearanceSettings.h"
#include "config/CameraDeviceConfiguration.h"
#include "ringlight/RingLightDisplaySettings.h"
#include "startatlogin/DesktopEntry.h"

#include "support/TempConfig.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace mirelon {
namespace {

// Every seed and every input the fuzzers once crashed on goes through the
// decoders again here, under the sanitizers of the test build.
QList<QByteArray> inputs(const QString& target) {
    QList<QByteArray> out;
    for (const QString& folder : {QStringLiteral("corpus/"), QStringLiteral("regressions/")}) {
        QDirIterator it(QStringLiteral(MIRELON_SOURCE_DIR "/tests/fuzz/") + folder + target,
                        QDir::Files);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.open(QIODevice::ReadOnly)) {
                out.append(f.readAll());
            }
        }
    }
    return out;
}

TEST(FuzzCorpus, DecodersHandleEverySavedInput) {
    testing::TempDefaults t;
    const auto appearance = inputs("appearance");
    ASSERT_FALSE(appearance.isEmpty());
    for (const auto& input : appearance) {
        const auto r = CameraAppearanceSettings::fromJson(QJsonDocument::fromJson(input).object(),
                                                          *t.defaults);
        if (r && r->isEncodable()) {
            EXPECT_EQ(CameraAppearanceSettings::fromJson(r->toJson(), *t.defaults), r);
        }
    }
    const auto configurations = inputs("configurations");
    ASSERT_FALSE(configurations.isEmpty());
    for (const auto& input : configurations) {
        const auto r = decodeConfigurations(input, *t.defaults);
        if (r) {
            EXPECT_EQ(decodeConfigurations(encodeConfigurations(*r), *t.defaults), r);
        }
    }
    for (const auto& input : inputs("simulated_camera")) {
        const auto spec = SimulatedCameraFile::parse("cam", input);
        if (spec) {
            EXPECT_GE(spec->width, 16);
        }
    }
    const auto ringLightMaps = inputs("ringlight_map");
    ASSERT_FALSE(ringLightMaps.isEmpty());
    for (const auto& input : ringLightMaps) {
        const auto map = decodeRingLightSettings(input);
        const auto encoded = map ? encodeRingLightSettings(*map) : std::nullopt;
        if (encoded) {
            EXPECT_EQ(decodeRingLightSettings(*encoded), map);
        }
    }
    const auto feeds = inputs("update_feed");
    ASSERT_FALSE(feeds.isEmpty());
    for (const auto& input : feeds) {
        for (const auto& item : UpdateFeed::parse(input).items) {
            EXPECT_TRUE(item.link.isEmpty() || UpdateFeed::isOpenableLink(item.link));
        }
    }
    const auto entries = inputs("desktop_entry");
    ASSERT_FALSE(entries.isEmpty());
    for (const auto& input : entries) {
        if (const auto entry = DesktopEntry::parse(input)) {
            const auto again = DesktopEntry::parse(entry->toText());
            ASSERT_TRUE(again.has_value());
            for (const char* key : {"Exec", "Name", "Hidden", "Type"}) {
                EXPECT_EQ(again->value(QString::fromLatin1(key)),
                          entry->value(QString::fromLatin1(key)))
                    << key;
            }
        }
    }
    for (const auto& input : inputs("defaults_file")) {
        t.writeFile(input);
        t.reopen();
        for (const auto& key : t.defaults->keys()) {
            (void)t.defaults->dataValue(key);
            (void)t.defaults->stringValue(key, true);
        }
    }
}

}  // namespace
}  // namespace mirelon
