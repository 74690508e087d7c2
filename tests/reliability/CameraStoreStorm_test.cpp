// SPDX-License-Identifier: GPL-3.0-or-later
// A seeded storm of camera events and store edits against the device settings
// store, with restarts in between: no record is ever lost, the published list
// always matches the connected cameras, and what is stored always decodes.
// MIRELON_STORM_SEED and MIRELON_STORM_STEPS choose a longer run.
#include "config/CameraDeviceSettingsStore.h"

#include "support/TempConfig.h"

#include <QSet>

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace mirelon {
namespace {

using Store = CameraDeviceSettingsStore;

int envInt(const char* name, int fallback) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

class CameraStoreStorm : public ::testing::Test {
protected:
    testing::TempDefaults t;
    QList<AvailableCameraDevice> devices;
    std::unique_ptr<Store> store;
    QSet<QString> everSeen;

    void open() {
        store = std::make_unique<Store>(
            *t.defaults, [this] { return devices; }, t.center);
    }

    QSet<QString> connectedIDs() const {
        QSet<QString> ids;
        for (const auto& d : devices) {
            ids.insert(d.id);
        }
        return ids;
    }

    // Checks the invariants; returns a description of the first broken one.
    std::string broken() const {
        const auto data = t.defaults->dataValue(Store::userDefaultsKey);
        if (!everSeen.isEmpty() && !data) {
            return "nothing stored";
        }
        if (data) {
            const auto records = decodeConfigurations(*data, *t.defaults);
            if (!records) {
                return "stored configurations do not decode";
            }
            QSet<QString> stored;
            for (const auto& r : *records) {
                if (stored.contains(r.id)) {
                    return "record stored twice: " + r.id.toStdString();
                }
                stored.insert(r.id);
            }
            for (const auto& id : everSeen) {
                if (!stored.contains(id)) {
                    return "record lost: " + id.toStdString();
                }
            }
        }
        QSet<QString> published;
        for (const auto& c : store->configurations()) {
            published.insert(c.id);
            const auto device = std::find_if(devices.begin(), devices.end(),
                                             [&](const auto& d) { return d.id == c.id; });
            if (device == devices.end()) {
                return "published a missing camera: " + c.id.toStdString();
            }
            if (device->name != c.name) {
                return "stale name for " + c.id.toStdString();
            }
        }
        if (published != connectedIDs()) {
            return "published list does not match the connected cameras";
        }
        return {};
    }
};

TEST_F(CameraStoreStorm, SeededEventsKeepEveryRecord) {
    const int seed = envInt("MIRELON_STORM_SEED", 7);
    const int steps = envInt("MIRELON_STORM_STEPS", 1500);
    std::mt19937 rng(static_cast<unsigned>(seed));
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const QStringList pool = {QStringLiteral("usb-a"), QStringLiteral("usb-b"),
                              QStringLiteral("usb-c"), QStringLiteral("usb-d"),
                              QStringLiteral("usb-e")};
    open();
    for (int step = 0; step < steps; ++step) {
        const QString id = pool.at(pick(pool.size()));
        const bool present = connectedIDs().contains(id);
        switch (pick(9)) {
            case 0:
            case 1:
                if (!present) {
                    devices.append({id, QStringLiteral("Camera %1").arg(pick(5)), pick(4) == 0});
                    everSeen.insert(id);
                    t.center.post(Notifications::cameraConnected, id);
                }
                break;
            case 2:
                if (present) {
                    devices.removeIf([&](const AvailableCameraDevice& d) { return d.id == id; });
                    t.center.post(Notifications::cameraDisconnected, id);
                }
                break;
            case 3:
                for (auto& d : devices) {
                    if (d.id == id) {
                        d.name = QStringLiteral("Renamed %1").arg(pick(1000));
                        t.center.post(Notifications::cameraChanged, id);
                    }
                }
                break;
            case 4:
            case 5:
                store->setEnabled(pick(2) == 0, id);
                break;
            case 6:
                store->setWindowOrigin(pick(4000) - 2000, pick(4000) - 2000, id);
                store->updateAppearance(id, &CameraAppearanceSettings::cameraSize,
                                        static_cast<double>(pick(1000)));
                break;
            case 7:
                store->enableFallbackCameraForUnavailableEnabledSelection();
                break;
            case 8: {
                // A restart: the same cameras, the store read back from disk.
                const auto before = store->configurations();
                store.reset();
                t.reopen();
                open();
                ASSERT_EQ(store->configurations(), before) << "seed " << seed << " step " << step;
                break;
            }
        }
        const std::string fault = broken();
        ASSERT_TRUE(fault.empty()) << fault << " (seed " << seed << ", step " << step << ")";
    }
    EXPECT_EQ(everSeen.size(), pool.size());
}

}  // namespace
}  // namespace mirelon
