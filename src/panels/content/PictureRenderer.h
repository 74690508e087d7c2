// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/VideoFrame.h"
#include "panels/content/ColorMatrix.h"
#include "panels/content/PictureKernels.h"
#include "panels/content/TiltWarp.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>

#include <array>
#include <cstdint>
#include <vector>

namespace mirelon {

// What shapes the rendered camera block: everything of an appearance (and
// of the panel's state) that the per-frame pass depends on.
struct PictureStyle {
    QSizeF frameSize{200, 200};  // points
    double devicePixelRatio = 1.0;
    double exponent = 4.0;
    bool mirrored = false;
    double zoom = 1.0;
    ColorMatrix color;
    double borderThickness = 0.0;  // points
    QColor borderColor = Qt::green;
    double opacity = 1.0;  // of the picture only; the border stays opaque
    // The 3D tilt (degrees, as TiltProjection takes them) and the area that
    // can show it (points, relative to the frame's top-left; empty: any).
    double xAngle = 0.0;
    double yAngle = 0.0;
    double zAngle = 0.0;
    QRectF visibleArea;

    bool operator==(const PictureStyle&) const = default;
};

// Renders camera frames into the camera block: the picture aspect-filled into
// the frame (zoomed about the centre, mirrored), one colour-matrix pass, cut to
// the superellipse and with the border stroked centred on the outline.
//
// The shape coverage and the border are rendered once per style (size, device
// pixel ratio, exponent, border) and kept. Per frame and per block row, only
// the source columns that row needs are read: the two source rows are blended
// (bilinear, vertical step), neighbouring columns are blended per output
// pixel (mirroring is folded into the column table), then one colour-matrix
// pass and one pass of coverage and border. A tilted block maps each shown
// pixel to the source once per geometry; per frame it takes one bilinear
// tap per pixel, of an RGB source directly or, for a YUV one, of an RGB copy
// of the part of the frame it reads, which the row passes have just made. The row passes are plain
// loops the compiler vectorises (with an AVX2 variant chosen at run time). Nothing is allocated per
// frame once the style and the source size stay the same.
class PictureRenderer {
public:
    PictureRenderer();

    // Cheap when nothing changed; re-renders only the parts that did.
    void setStyle(const PictureStyle& style);
    const PictureStyle& style() const { return style_; }

    // The block image (premultiplied ARGB at the device pixel ratio). It covers
    // the frame plus the outer half of the border, tilted when the style
    // tilts it: blockRect() places it relative to the frame's top-left
    // corner, in points, to be drawn without any further transform.
    const QImage& block() const { return block_; }
    QRectF blockRect() const;
    // A rectangle inside blockRect() that every frame covers opaquely (the
    // picture and border there hide whatever lies below), in points relative
    // to the frame's top-left corner; empty while the block has no picture
    // or its picture is not opaque.
    QRectF opaqueRect() const;
    bool isTilted() const { return tilted_; }
    // The size a source should have (device pixels) to be sampled no coarser
    // than one source pixel per shown pixel: the frame, zoomed; a tilt that
    // brings a corner much nearer (enlarged over 1.28 times) adds the rest.
    QSize wantedSourceSize() const;
    // The part of the source the picture reads, as fractions of the source's
    // width and height, for the size of the last frame rendered; null until
    // a frame was rendered with the current style. A source may hand over
    // only this part (see VideoFrame::windowed).
    QRectF wantedSourceRegion() const;
    // The flat block (what silhouette() covers), relative to the frame's
    // top-left corner, in points.
    QRectF flatBlockRect() const;
    int marginPixels() const { return margin_; }

    // Renders one frame. RGB32/ARGB32 images and the YUV layouts are read
    // directly (YUV: each pixel samples its Y, U and V in their planes, and
    // the conversion to RGB is folded into the colour matrix); other image formats
    // are converted first. A null or empty frame renders the empty frame.
    void render(const VideoFrame& frame);
    // The frame without a picture: transparent inside, the border on top.
    void renderEmpty();
    bool hasPicture() const { return hasPicture_; }

    // What shows through wherever the block is not opaque: `image` (premultiplied
    // ARGB at the block's device pixel ratio) with its pixel `offset` under
    // the block's top-left pixel, the drop shadow under the block, say. It
    // is composed into the block's templates once, so that a frame needs no
    // blending onto it. A null image, or one that does not cover the block,
    // takes it away; so does a change of the block's size. An empty frame
    // (renderEmpty) is rendered without it.
    void setBackdrop(const QImage& image, QPoint offset);
    bool hasBackdrop() const { return !backdrop_.isNull(); }

    // The flat block's alpha for the drop shadow: the shape at pictureAlpha
    // plus the border (premultiplied ARGB, black), at flatBlockRect().
    QImage silhouette(double pictureAlpha) const;

private:
    void rebuildTemplates();
    void rebuildCoverage();
    void rebuildSampling(QSize sourceSize, QRect window, bool copied);
    void rebuildPositions(QSize sourceSize, QRect window);
    void buildCrop(QRect window);
    // One row of what the row passes make (a flat block's picture, or a
    // tilted block's copy of the frame), columns [x0, x1) of the sampling
    // tables, for table row fy (before the colour steps).
    void fillRgbRow(const QImage& source, std::uint32_t* row, int fy, int x0, int x1);
    void fillYuvRow(const PictureKernels::Plane planes[3], std::uint32_t* row, int fy, int x0,
                    int x1);
    // The row loops (PictureRendererRows.h).
    template <typename Fill>
    void renderFlatRowsWith(const FixedColorMatrix* color, Fill fill);
    template <typename Fill>
    void renderTiltedWith(const FixedColorMatrix* color, Fill fill);
    template <typename Sample>
    void renderMappedRowsWith(const FixedColorMatrix* color, Sample sample);
    void findOpaqueBlock();
    // The picture's coverage of a block pixel with the current sampling.
    int pictureCoverage(int x, int y) const;
    // The templates a frame's rows are composed on: border_, or that over
    // the backdrop (PictureRendererBackdrop.cpp).
    const std::uint32_t* rowTemplates();
    void composeBackdrop();
    bool placeBorder(int y, std::uint32_t* out, const std::uint32_t* border, int width, int x0,
                     int x1);
    // YUV frames (in PictureRendererYuv.cpp).
    void updateYuvColor(const VideoFrame& frame);
    static bool yuvPlanes(const VideoFrame& frame, PictureKernels::Plane planes[3]);
    void buildFlatYuvColumns(const PictureKernels::Plane planes[3]);
    void renderYuv(const VideoFrame& frame);

    PictureStyle style_;
    bool templatesValid_ = false;
    bool tilted_ = false;
    double magnification_ = 1.0;
    int margin_ = 0;     // device pixels around the frame
    QSize frameDevice_;  // frame in device pixels
    QSize flatSize_;     // flat block in device pixels
    QPoint origin_;      // block's top-left relative to the frame's, device pixels
    QImage block_;
    // Flat templates (flatSize_).
    std::vector<std::uint8_t> mask_;  // shape coverage, 0...255
    std::vector<std::uint8_t> borderAlpha_;
    // Templates of the block as shown (warped when tilted; block_'s size).
    std::vector<std::uint8_t> shownMask_;
    std::vector<std::uint32_t> border_;  // premultiplied border colour
    std::vector<std::uint8_t> shownBorderAlpha_;
    std::vector<std::uint8_t> coverage_;  // opacity x mask x (1 - border alpha)
    TiltWarp::Geometry warpGeometry_;     // of the tilted block
    // Per shown pixel: the position on the flat frame, until the sampling
    // tables are built from it.
    std::vector<float> frameX_;
    std::vector<float> frameY_;
    struct RowSpan {
        int begin = 0;  // first block column with coverage
        int end = 0;    // one past the last
    };
    std::vector<RowSpan> spans_;
    // Per block row: the picture span the last render drew; block_ holds
    // the border template around it (emptied when block_ is made anew).
    std::vector<RowSpan> drawnSpans_;
    QImage backdrop_;  // see setBackdrop(); null: none
    QPoint backdropOffset_;
    std::vector<std::uint32_t> composed_;  // border_ over the backdrop, less the picture's coverage
    bool composedValid_ = false;
    QRect opaqueBlock_;  // block pixels every frame covers opaquely
    FixedColorMatrix fixedColor_;

    // Sampling tables, for the current source size and style.
    QSize sampledSourceSize_;
    QRect sampledWindow_;         // the part of the source the tables index
    QRect neededWindow_;          // the source pixels the tables would read unclamped
    bool sampledTilted_ = false;  // the tables are for a tilted block
    bool sampledCopied_ = false;  // ... tapping frameCopy_
    // The columns and rows the row passes fill: the frame's in a flat block,
    // those of frameCopy_ in a tilted one.
    std::vector<std::int32_t> sx_;   // per column: left source column in the window
    std::vector<std::uint16_t> wx_;  // per column: weight of the right one, 0...256
    std::vector<std::int32_t> sy_;
    std::vector<std::uint16_t> wy_;
    int validX0_ = 0, validX1_ = 0, validY0_ = 0, validY1_ = 0;  // columns/rows with picture
    int tableOffset_ = 0;  // the block column (flat) or frameCopy_ column of table column 0
    int tableWidth_ = 0;   // columns of the per-column tables
    // A tilted block of a YUV frame taps an RGB copy of the part of the
    // frame it reads (frameCopy_), made by the row passes at the frame's
    // own resolution: the frame is read in order, once, and the taps land in
    // a picture the row passes have just written, far cheaper than a tap per
    // shown pixel and channel in a frame that no cache holds, and the tap
    // is still the only resampling. An RGB frame's pixels are tapped
    // directly (empty frameCopy_).
    std::vector<std::uint32_t> frameCopy_;
    int copyStride_ = 0;              // pixels; one column and one row of padding
    std::vector<RowSpan> copySpans_;  // per row of frameCopy_: the columns the taps read
    // Per shown pixel (tilted): the position in the source's window or in
    // frameCopy_ (1/256 pixel, clamped), and the coverage with the pixels the
    // picture does not reach taken out.
    std::vector<std::int32_t> u_;
    std::vector<std::int32_t> v_;
    std::vector<std::uint8_t> mappedCoverage_;
    std::vector<RowSpan> mappedSpans_;
    std::vector<std::uint32_t> rowBuffer_;    // one block row of picture
    std::vector<std::uint32_t> blendBuffer_;  // two source rows blended
    QImage converted_;                        // reused when a source needs conversion
    YuvColorimetry yuvColorimetry_;
    FixedColorMatrix yuvColor_;  // YUV -> RGB, then the colour steps
    bool yuvColorValid_ = false;
    // Flat YUV blocks: per channel and block column, the byte offset of the
    // left sample in the blended row and the right one's weight (0...255).
    struct FlatYuvChannel {
        std::vector<std::int32_t> offset;
        std::vector<std::uint16_t> weight;
        std::size_t rows = 0;                // the channel whose blended rows this one reads
        int first = 0;                       // the first byte of a source row blended (row owners)
        std::vector<std::uint16_t> blended;  // the row's two source rows blended
        std::vector<std::uint8_t> samples;   // the channel of one block row
    };
    struct FlatYuvLayout {
        VideoFrame::Layout layout = VideoFrame::Layout::none;
        int chromaShiftX = -1;
        int chromaShiftY = -1;
        bool operator==(const FlatYuvLayout&) const = default;
    };
    std::array<FlatYuvChannel, 3> flatYuv_;
    FlatYuvLayout flatYuvLayout_;  // what flatYuv_ was built for; reset with the tables
    bool hasPicture_ = false;
};

}  // namespace mirelon
