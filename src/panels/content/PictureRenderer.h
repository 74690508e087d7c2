#pragma once

#include "panels/content/ColorMatrix.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>

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
// pass and one pass of coverage and border. The row passes are plain loops
// the compiler vectorises (with an AVX2 variant chosen at run time). Nothing
// is allocated per frame once the style and the source size stay the same.
class PictureRenderer {
public:
    PictureRenderer();

    // Cheap when nothing changed; re-renders only the parts that did.
    void setStyle(const PictureStyle& style);
    const PictureStyle& style() const { return style_; }

    // The block image (premultiplied ARGB at the device pixel ratio). It covers
    // the frame plus the outer half of the border: blockRect() places it
    // relative to the frame's top-left corner, in points.
    const QImage& block() const { return block_; }
    QRectF blockRect() const;
    int marginPixels() const { return margin_; }

    // Renders one frame (any format; RGB32/ARGB32 are read directly, others are
    // converted first). A null or empty source renders the empty frame.
    void render(const QImage& source);
    // The frame without a picture: transparent inside, the border on top.
    void renderEmpty();
    bool hasPicture() const { return hasPicture_; }

    // The block's alpha for the drop shadow: the shape at pictureAlpha plus
    // the border (premultiplied ARGB, black).
    QImage silhouette(double pictureAlpha) const;

private:
    void rebuildTemplates();
    void rebuildCoverage();
    void rebuildSampling(QSize sourceSize);
    void renderRows(const QImage& source);

    PictureStyle style_;
    bool templatesValid_ = false;
    int margin_ = 0;     // device pixels around the frame
    QSize frameDevice_;  // frame in device pixels
    QImage block_;
    std::vector<std::uint8_t> mask_;     // shape coverage, 0...255
    std::vector<std::uint32_t> border_;  // premultiplied border colour
    std::vector<std::uint8_t> borderAlpha_;
    std::vector<std::uint8_t> coverage_;  // opacity x mask x (1 - border alpha)
    struct RowSpan {
        int begin = 0;  // first block column with coverage
        int end = 0;    // one past the last
    };
    std::vector<RowSpan> spans_;
    FixedColorMatrix fixedColor_;

    // Sampling tables, for the current source size and style.
    QSize sampledSourceSize_;
    std::vector<std::int32_t> sx_;   // per frame column: left source column
    std::vector<std::uint16_t> wx_;  // per frame column: weight of the right one, 0...256
    std::vector<std::int32_t> sy_;
    std::vector<std::uint16_t> wy_;
    int validX0_ = 0, validX1_ = 0, validY0_ = 0, validY1_ = 0;  // frame columns/rows with picture
    std::vector<std::uint32_t> rowBuffer_;                       // one block row of picture
    std::vector<std::uint32_t> blendBuffer_;                     // two source rows blended
    QImage converted_;  // reused when a source needs conversion
    bool hasPicture_ = false;
};

}  // namespace mirelon
