// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the frames a simulated camera loops, byte for byte, so that a
// GStreamer peer in the CPU benches reads exactly what the program gets:
//   simulated_frames PICTURE FORMAT WIDTH HEIGHT COUNT FOLDER
// FORMAT is mjpeg, yuy2, nv12 or i420; the frames land in
// FOLDER/frame00.jpg ... (MJPEG) or FOLDER/frame00.raw ... (raw planes).
#include "platform/gstreamer/SimulatedFrameLoop.h"

#include <QFile>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

using namespace mirelon;

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s PICTURE FORMAT WIDTH HEIGHT COUNT FOLDER\n", argv[0]);
        return 2;
    }
    const QImage picture(QString::fromLocal8Bit(argv[1]));
    const QString format = QString::fromLatin1(argv[2]).toLower();
    CaptureMode mode;
    mode.encoding = format == QLatin1String("mjpeg") ? CaptureMode::Encoding::mjpeg
                                                     : CaptureMode::Encoding::raw;
    mode.format = mode.encoding == CaptureMode::Encoding::raw ? format.toUpper() : QString();
    mode.width = std::atoi(argv[3]);
    mode.height = std::atoi(argv[4]);
    mode.fpsNumerator = 30;
    const auto loop = SimulatedFrameLoop::make(picture, mode, 0, std::atoi(argv[5]));
    if (picture.isNull() || !loop) {
        std::fprintf(stderr, "cannot make the frames\n");
        return 1;
    }
    const QString suffix = mode.encoding == CaptureMode::Encoding::mjpeg ? "jpg" : "raw";
    for (int i = 0; i < loop->frameCount(); ++i) {
        QFile out(QStringLiteral("%1/frame%2.%3")
                      .arg(QString::fromLocal8Bit(argv[6]))
                      .arg(i, 2, 10, QLatin1Char('0'))
                      .arg(suffix));
        if (!out.open(QIODevice::WriteOnly) || out.write(loop->frameData(i)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.fileName()));
            return 1;
        }
    }
    return 0;
}
