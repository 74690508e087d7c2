// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gstreamer/SimulatedPicture.h"

#include "capture/LogCapture.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace mirelon {
namespace {

SimulatedCameraFile cameraShowing(const QString& image) {
    SimulatedCameraFile spec;
    spec.id = QStringLiteral("cam");
    spec.name = QStringLiteral("Cam");
    spec.image = image;
    return spec;
}

TEST(SimulatedPicture, ReadsOnlyRegularFilesAndSaysWhyNot) {
    testing::LogCapture log("app.mirelon.Mirelon.capture");
    QTemporaryDir folder;
    QImage picture(32, 24, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(folder.filePath("red.png")));
    {
        QFile f(folder.filePath("text.png"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
    }
    // Opening a FIFO for reading waits for a writer: the load must not hang.
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.filePath("pipe.png")).constData(), 0600), 0);

    const QImage red = SimulatedPicture::load(cameraShowing("red.png"), folder.path());
    EXPECT_EQ(red.size(), QSize(32, 24));
    EXPECT_EQ(red.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_TRUE(log.messages().isEmpty());
    // Kept as the file's data, decoded only when frames are made.
    const auto data = SimulatedPicture::read(cameraShowing("red.png"), folder.path());
    ASSERT_TRUE(data);
    EXPECT_LT(data->size(), 32 * 24 * 4);
    EXPECT_EQ(SimulatedPicture::decode(*data, cameraShowing("red.png")), red);
    EXPECT_FALSE(SimulatedPicture::read(cameraShowing("text.png"), folder.path()));
    EXPECT_EQ(log.count("Simulated camera cam: cannot use the image text.png (not a picture)"), 1);

    EXPECT_TRUE(SimulatedPicture::load(cameraShowing("pipe.png"), folder.path()).isNull());
    EXPECT_EQ(log.count("Simulated camera cam: cannot use the image pipe.png (not a regular file)"),
              1);
    EXPECT_TRUE(SimulatedPicture::load(cameraShowing("text.png"), folder.path()).isNull());
    EXPECT_EQ(log.count("Simulated camera cam: cannot use the image text.png (not a picture)"), 2);
    EXPECT_TRUE(SimulatedPicture::load(cameraShowing("absent.png"), folder.path()).isNull());
    EXPECT_EQ(log.countStartingWith("Simulated camera cam: cannot use the image absent.png ("), 1);
    EXPECT_TRUE(SimulatedPicture::load(cameraShowing(QString()), folder.path()).isNull())
        << "no image: bars";
}

}  // namespace
}  // namespace mirelon
