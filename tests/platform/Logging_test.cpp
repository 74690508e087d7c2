// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/Logging.h"
#include "platform/wayland/WaylandDisplay.h"
#include "ringlight/RingLightLogging.h"

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace mirelon {
namespace {

// The shared categories, among them those whose debug lines come once per
// frame or per surface commit (frames, wayland).
std::vector<std::pair<const char*, const QLoggingCategory& (*)()>> categories() {
    return {{"core", lcCore},       {"main", lcMain},          {"defaults", lcDefaults},
            {"capture", lcCapture}, {"frames", lcFrames},      {"config", lcConfig},
            {"wayland", lcWayland}, {"ringlight", lcRingLight}};
}

QStringList captured;
void capture(QtMsgType, const QMessageLogContext& context, const QString& text) {
    captured << QString::fromLatin1(context.category) + QLatin1Char(' ') + text;
}

class LoggingDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No rules from whoever runs the tests: the built-in defaults only.
        QLoggingCategory::setFilterRules(QString());
        captured.clear();
        previous_ = qInstallMessageHandler(capture);
    }
    void TearDown() override {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
    }
    QtMessageHandler previous_ = nullptr;
};

TEST_F(LoggingDefaultsTest, DebugLinesAreOffAndInformationOnWithoutRules) {
    for (const auto& [name, category] : categories()) {
        SCOPED_TRACE(name);
        const QLoggingCategory& c = category();
        EXPECT_TRUE(QByteArray(c.categoryName()).startsWith("app.mirelon.Mirelon."));
        EXPECT_FALSE(c.isDebugEnabled());
        EXPECT_TRUE(c.isInfoEnabled());
        EXPECT_TRUE(c.isWarningEnabled());
        qCDebug(category) << "surface commit";
    }
    EXPECT_TRUE(captured.isEmpty()) << captured.join(QLatin1Char('\n')).toStdString();
    qCInfo(lcWayland) << "Output removed";
    EXPECT_EQ(captured, QStringList{QStringLiteral("app.mirelon.Mirelon.wayland Output removed")});
}

// The end-to-end tests read the overlay layer's debug lines: rules turn them
// on for one category without turning on the others.
TEST_F(LoggingDefaultsTest, RulesTurnDebugLinesOnPerCategory) {
    QLoggingCategory::setFilterRules(QStringLiteral("app.mirelon.Mirelon.wayland.debug=true"));
    EXPECT_TRUE(lcWayland().isDebugEnabled());
    EXPECT_FALSE(lcRingLight().isDebugEnabled());
    EXPECT_FALSE(lcFrames().isDebugEnabled());
    qCDebug(lcWayland) << "surface commit";
    qCDebug(lcFrames) << "frame ages";
    EXPECT_EQ(captured, QStringList{QStringLiteral("app.mirelon.Mirelon.wayland surface commit")});
}

}  // namespace
}  // namespace mirelon
