// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PlatformLoader.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace {

// Saves and restores the variables the platform choice reads.
class SessionEnv {
public:
    SessionEnv() {
        for (const char* name : names) {
            saved_.push_back({qEnvironmentVariableIsSet(name), qgetenv(name)});
            qunsetenv(name);
        }
    }
    ~SessionEnv() {
        for (std::size_t i = 0; i < std::size(names); ++i) {
            if (saved_[i].first) {
                qputenv(names[i], saved_[i].second);
            } else {
                qunsetenv(names[i]);
            }
        }
    }
    static constexpr const char* names[] = {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY",
                                            "XDG_SESSION_TYPE", "MIRELON_DISPLAY_BACKEND"};

private:
    std::vector<std::pair<bool, QByteArray>> saved_;
};

}  // namespace

// The platform plugin follows the detected mode unless the user picked one.
TEST(StartupTest, PlatformPluginFollowsTheModeUnlessTheUserChose) {
    using mirelon::DisplayMode;
    namespace session = mirelon::PlatformLoader;
    {
        SessionEnv env;
        EXPECT_EQ(session::detectDisplay(), DisplayMode::X11);
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));
    }
    {
        SessionEnv env;
        qputenv("WAYLAND_DISPLAY", "mirelon-no-such-compositor");
        EXPECT_EQ(session::detectDisplay(), DisplayMode::XWayland);
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));
    }
    {
        SessionEnv env;
        qputenv("WAYLAND_DISPLAY", "mirelon-no-such-compositor");
        qputenv("MIRELON_DISPLAY_BACKEND", "wayland");
        // No layer shell there: forcing native mode still runs through XWayland.
        EXPECT_EQ(session::detectDisplay(), DisplayMode::XWayland);
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));
    }
    {
        SessionEnv env;
        qputenv("WAYLAND_DISPLAY", "mirelon-no-such-compositor");
        qputenv("QT_QPA_PLATFORM", "wayland");
        EXPECT_EQ(session::detectDisplay(), DisplayMode::XWayland);
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("wayland"));
    }
    session::setModeForTesting(DisplayMode::X11);
}
