// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

namespace mirelon {

// The drop shadow: black at `opacity`, the alpha of `silhouette` blurred with
// a Gaussian of standard deviation radius / 2 (in the silhouette's pixels),
// approximated by three box blurs. Same size as the silhouette.
class ShadowRenderer {
public:
    QImage render(const QImage& silhouette, double radiusPixels, double opacity);

private:
    void boxBlur(std::vector<std::uint16_t>& data, int width, int height, int radius,
                 bool horizontal);
    std::vector<std::uint16_t> alpha_;
    std::vector<std::uint16_t> line_;
};

}  // namespace mirelon
