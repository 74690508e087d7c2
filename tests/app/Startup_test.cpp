#include "app/Startup.h"

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
                                            "XDG_SESSION_TYPE"};

private:
    std::vector<std::pair<bool, QByteArray>> saved_;
};

}  // namespace

TEST(StartupTest, WaylandSessionsRunThroughX11UnlessTheUserChose) {
    {
        SessionEnv env;
        EXPECT_FALSE(mirelon::preferX11Platform());
        EXPECT_FALSE(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));
    }
    {
        SessionEnv env;
        qputenv("XDG_SESSION_TYPE", "wayland");
        EXPECT_TRUE(mirelon::preferX11Platform());
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));
    }
    {
        SessionEnv env;
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        qputenv("QT_QPA_PLATFORM", "wayland");
        EXPECT_FALSE(mirelon::preferX11Platform());
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("wayland"));
    }
}
