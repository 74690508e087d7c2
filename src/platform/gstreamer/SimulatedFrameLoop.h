// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/gstreamer/GstCaptureMode.h"

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <cstdint>

#include <functional>
#include <memory>

typedef struct _GstElement GstElement;
typedef struct _GstCaps GstCaps;

namespace mirelon {

// The frames of a realistic simulated camera in one mode: the picture scaled
// (aspect fill) to the mode and encoded once, in the mode's own format (JPEG
// data for MJPEG, YUY2/NV12/I420 planes for raw), then looped at the mode's
// rate like a camera's frames. With `distinctFrames` above 1 the loop holds
// that many frames of the picture, each with sensor-like noise of its own
// (the same on every run), so no two frames in a row are alike. Every
// `corruptEvery`th JPEG frame arrives truncated. Made once per mode; a frame
// costs no encoding.
class SimulatedFrameLoop {
public:
    // Null when the picture cannot be encoded in that mode.
    static std::shared_ptr<SimulatedFrameLoop> make(const QImage& picture, const CaptureMode& mode,
                                                    int corruptEvery, int distinctFrames = 1);
    // The loop of a picture (an image file's data; empty: bars) in a mode,
    // one for all the cameras that show the same picture the same way, for
    // as long as any of them holds it. Made on first use from the image
    // `decode` gives for the data, which is not kept: only the frames are.
    // Null as make().
    static std::shared_ptr<SimulatedFrameLoop> shared(const QByteArray& picture,
                                                      const std::function<QImage()>& decode,
                                                      const CaptureMode& mode, int corruptEvery,
                                                      int distinctFrames);
    // Bytes the frames of the loops shared() hands out take, all together.
    static std::size_t sharedBytes();
    ~SimulatedFrameLoop();
    SimulatedFrameLoop(const SimulatedFrameLoop&) = delete;
    SimulatedFrameLoop& operator=(const SimulatedFrameLoop&) = delete;

    // A new live source element (floating) offering `offered` (a camera's
    // modes) that takes its mode from what the elements after it accept:
    // when the first frame is due it fixes the mode, asks `choose` for the
    // loop of that mode and how many frames to play, and plays it: it ends
    // before its first frame when frameLimit is 0, after frameLimit frames
    // when it is positive, never when it is negative; also before its first
    // frame when no mode fits or there is no loop.
    struct Choice {
        std::shared_ptr<SimulatedFrameLoop> loop;
        int frameLimit = -1;
    };
    using Chooser = std::function<Choice(const CaptureMode& mode)>;
    static GstElement* makeNegotiatingSource(const GstCaps* offered, Chooser choose);

    const CaptureMode& mode() const { return mode_; }
    // The frames of the loop, in the mode's format (JPEG files for MJPEG,
    // the raw planes otherwise), in the order they are played.
    int frameCount() const;
    QByteArray frameData(int index) const;
    // Bytes the loop's frames take.
    std::size_t byteCount() const;

    // Adds sensor-like noise to a picture: mostly brightness grain (standard
    // deviation about 4 of 255 levels) with a little colour noise, from a
    // generator started at `seed`.
    static void addSensorNoise(QImage& image, std::uint32_t seed);

    // Bars in a few colours, for cameras without a picture of their own.
    static QImage bars(QSize size);

    struct Frames;  // the encoded frames, shared with the sources playing them

private:
    SimulatedFrameLoop() = default;
    // The source element around a feeder (which it owns from then on).
    static GstElement* makeLoopSource(void* feeder);
    CaptureMode mode_;
    std::shared_ptr<Frames> frames_;
};

}  // namespace mirelon
