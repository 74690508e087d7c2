// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

#include <array>
#include <vector>

namespace mirelon {

// A single-channel coverage image in floats (0...1), the working format of
// the ring light's blurs: every layer is one colour, so only its alpha is blurred.
struct AlphaPlane {
    int width = 0;
    int height = 0;
    std::vector<float> data;

    AlphaPlane() = default;
    AlphaPlane(int w, int h) : width(w), height(h), data(std::size_t(w) * std::size_t(h), 0.f) {}

    float* row(int y) { return data.data() + std::size_t(y) * std::size_t(width); }
    const float* row(int y) const { return data.data() + std::size_t(y) * std::size_t(width); }
    float at(int x, int y) const { return row(y)[x]; }

    // From an Alpha8 (or any) image's alpha channel.
    static AlphaPlane fromAlphaImage(const QImage& image);
};

// Radii of the three box passes that approximate a Gaussian of the given
// standard deviation (all zero when sigma is too small to matter).
std::array<int, 3> gaussianBoxRadii(double sigma);

// How far (in pixels) the three-pass blur reaches: beyond this distance a
// pixel's value cannot affect another's.
int gaussianBoxSupport(double sigma);

// Blurs in place with three horizontal and three vertical box passes, each a
// running sum (cost independent of sigma). Everything outside is transparent.
void gaussianBlur(AlphaPlane& plane, double sigma);

}  // namespace mirelon
