// Fixed-point geometry for picture placement: the document gives a rotation
// and two scale factors, the host wants scale, aspect, angle and skew. Every
// value is 16.16 fixed point (0x10000 = 1.0); angles are 16.16 degrees.
#pragma once

#include <cstdint>

namespace folio {

// A point (x, y) maps to (a*x + c*y + e, b*x + d*y + f).
struct Matrix {
    std::int32_t a = 0x10000, b = 0, c = 0, d = 0x10000, e = 0, f = 0;
    friend bool operator==(const Matrix &, const Matrix &) = default;
};

struct Decomposition {
    std::int32_t x = 0, y = 0;
    std::int32_t xScale = 0, yScale = 0;
    std::int32_t angle = 0;
    std::int32_t shear = 0;
    std::int32_t unused = 0;  // never set; kept so that flag bit 6 has its word
    std::uint8_t flags = 0;   // bit 0 x, 1 y, 2 x scale, 3 y scale, 4 angle, 5 shear, 6 unused word
    friend bool operator==(const Decomposition &, const Decomposition &) = default;
};

// The four values of a picture's placement block.
struct PictureGeometry {
    std::int32_t scale = 0, aspect = 0, angle = 0, skew = 0;
    friend bool operator==(const PictureGeometry &, const PictureGeometry &) = default;
};

std::int32_t fixedMultiply(std::int32_t x, std::int32_t y);
std::int32_t fixedHypot(std::int32_t x, std::int32_t y);
Matrix identityMatrix();
Matrix rotationMatrix(std::int32_t angle);
Matrix scalingMatrix(std::int32_t p, std::int32_t q, std::int32_t r, std::int32_t s);
// The matrix that applies `first`, then `second`.
Matrix composeMatrices(const Matrix &first, const Matrix &second);
Decomposition decomposeMatrix(const Matrix &m);
// Rotation first, then scaling by the frame's two factors.
PictureGeometry pictureGeometry(std::int32_t rotation, std::int32_t xFactor, std::int32_t yFactor);

} // namespace folio
