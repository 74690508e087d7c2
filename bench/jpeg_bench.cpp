// SPDX-License-Identifier: GPL-3.0-or-later
// One 1920x1080 webcam JPEG frame (4:2:2, quality 85) decoded for a panel:
//   FullSizeBgrx:  decoded at full size straight to BGRx (what a full decode
//                  plus a full-frame conversion amounts to, at best)
//   FullSizeYuv:   decoded at full size into YCbCr planes
//   Reduced/N:     decoded at 1/N in the DCT into YCbCr planes (what the
//                  pipeline does when the panel needs no more)
//   Window/N:      only the part a square panel zoomed 1.4 times shows (the
//                  middle 40 % x 71 %), at 1/N, into BGRx (what the pipeline
//                  does for such a panel)

#include "platform/jpeg/JpegFrameDecoder.h"

#include <QImage>
#include <QPainter>

#include <turbojpeg.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace mirelon {
namespace {

std::vector<unsigned char> webcamFrame() {
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 1920, 1080);
    g.setColorAt(0, QColor(40, 60, 200));
    g.setColorAt(1, QColor(230, 180, 40));
    p.fillRect(image.rect(), g);
    p.setPen(Qt::white);
    for (int i = 0; i < 200; ++i) {
        p.drawEllipse(QPoint((i * 97) % 1920, (i * 53) % 1080), 20 + i % 30, 10 + i % 20);
    }
    p.end();
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    tjCompress2(h, image.constBits(), 1920, int(image.bytesPerLine()), 1080, TJPF_BGRX, &out, &size,
                TJSAMP_422, 85, 0);
    std::vector<unsigned char> bytes(out, out + size);
    tjFree(out);
    tjDestroy(h);
    return bytes;
}

void BM_Jpeg1080FullSizeBgrx(benchmark::State& state) {
    const auto jpeg = webcamFrame();
    tjhandle h = tjInitDecompress();
    QImage out(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        tjDecompress2(h, jpeg.data(), jpeg.size(), out.bits(), 1920, int(out.bytesPerLine()), 1080,
                      TJPF_BGRX, TJFLAG_FASTDCT);
        benchmark::DoNotOptimize(out.constBits());
    }
    tjDestroy(h);
}

void BM_Jpeg1080Yuv(benchmark::State& state) {
    const auto jpeg = webcamFrame();
    JpegFrameDecoder decoder;
    const int d = int(state.range(0));
    for (auto _ : state) {
        const VideoFrame frame = decoder.decode(jpeg.data(), jpeg.size(), d);
        benchmark::DoNotOptimize(frame.plane(0));
    }
    state.counters["width"] = decoder.lastDecodedSize().width();
}

void BM_Jpeg1080Window(benchmark::State& state) {
    const auto jpeg = webcamFrame();
    JpegFrameDecoder decoder;
    const int d = int(state.range(0));
    const QRectF shown(0.5 - 0.2, 0.5 - 0.357, 0.4, 0.714);
    for (auto _ : state) {
        const VideoFrame frame = decoder.decodeWindow(jpeg.data(), jpeg.size(), d, shown);
        benchmark::DoNotOptimize(frame.image().constBits());
    }
    state.counters["width"] = decoder.lastDecodedSize().width();
}

BENCHMARK(BM_Jpeg1080FullSizeBgrx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg1080Window)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Jpeg1080Yuv)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mirelon

BENCHMARK_MAIN();
