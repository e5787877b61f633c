// Picture transform arithmetic. Products go through MulDiv so that the
// rounding (halves away from zero, -1 on overflow) is the kernel's own; sums
// wrap in 32 bits as the host's integer arithmetic does, without overflowing
// a C++ int.
#include "folio/transform.h"

#include "platform/win32.h"

#include <cmath>
#include <cstdlib>

namespace folio {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr std::int32_t kOne = 0x10000;

// A double truncated toward zero; what does not fit (or is not a number)
// becomes 0x80000000, the value the processor's own conversion gives.
std::int32_t truncate(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

std::int32_t add(std::int32_t x, std::int32_t y) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(x) + static_cast<std::uint32_t>(y));
}

std::int32_t subtract(std::int32_t x, std::int32_t y) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(x) - static_cast<std::uint32_t>(y));
}

std::int32_t negate(std::int32_t x) { return subtract(0, x); }

double radians(std::int32_t angle) { return angle / 65536.0 * kPi / 180.0; }

// 16.16 degrees from radians.
std::int32_t degrees(double angle) { return truncate(angle * 180.0 / kPi * 65536.0); }

std::int32_t fixedTrig(double value) { return truncate(value * 65536.0); }

} // namespace

std::int32_t fixedMultiply(std::int32_t x, std::int32_t y) { return MulDiv(x, y, kOne); }

std::int32_t fixedHypot(std::int32_t x, std::int32_t y) {
    double dx = x, dy = y;
    return truncate(std::sqrt(dx * dx + dy * dy));
}

Matrix identityMatrix() { return Matrix{}; }

Matrix rotationMatrix(std::int32_t angle) {
    double theta = radians(angle);
    Matrix m;
    m.a = m.d = fixedTrig(std::cos(theta));
    m.b = fixedTrig(std::sin(theta));
    m.c = negate(m.b);
    return m;
}

Matrix scalingMatrix(std::int32_t p, std::int32_t q, std::int32_t r, std::int32_t s) {
    Matrix m;
    m.a = (p == q || p == 0) ? kOne : MulDiv(q, kOne, p);
    m.d = (r == s || r == 0) ? kOne : MulDiv(kOne, s, r);
    return m;
}

Matrix composeMatrices(const Matrix &m1, const Matrix &m2) {
    Matrix r;
    r.a = add(fixedMultiply(m1.a, m2.a), fixedMultiply(m1.b, m2.c));
    r.b = add(fixedMultiply(m1.a, m2.b), fixedMultiply(m1.b, m2.d));
    r.c = add(fixedMultiply(m1.c, m2.a), fixedMultiply(m1.d, m2.c));
    r.d = add(fixedMultiply(m1.c, m2.b), fixedMultiply(m1.d, m2.d));
    r.e = add(add(fixedMultiply(m2.a, m1.e), fixedMultiply(m2.c, m1.f)), m2.e);
    r.f = add(add(fixedMultiply(m2.b, m1.e), fixedMultiply(m2.d, m1.f)), m2.f);
    return r;
}

Decomposition decomposeMatrix(const Matrix &m) {
    Decomposition dc;
    dc.x = m.e;
    dc.y = m.f;
    std::int32_t co = 0, si = 0;
    if (m.a == 0) {
        if (m.b < 0) {
            dc.angle = static_cast<std::int32_t>(0xffa60000u);
            dc.xScale = negate(m.b);
            si = -kOne;
        } else {
            dc.angle = 0x5a0000;
            dc.xScale = m.b;
            si = kOne;
        }
    } else if (m.b == 0) {
        if (m.a < 0) {
            dc.angle = 0xb40000;
            dc.xScale = negate(m.a);
            co = -kOne;
        } else {
            dc.angle = 0;
            dc.xScale = m.a;
            co = kOne;
        }
    } else {
        dc.angle = degrees(std::atan2(static_cast<double>(m.b), static_cast<double>(m.a)));
        dc.xScale = fixedHypot(m.a, m.b);
        co = fixedTrig(std::cos(radians(dc.angle)));
        si = fixedTrig(std::sin(radians(dc.angle)));
    }
    std::int32_t num = add(fixedMultiply(m.c, co), fixedMultiply(m.d, si));
    std::int32_t den = subtract(fixedMultiply(m.d, co), fixedMultiply(m.c, si));
    dc.shear = den == 0 ? 0 : MulDiv(kOne, num, den);
    std::int32_t h = subtract(fixedMultiply(dc.shear, co), si);
    std::int32_t k = add(fixedMultiply(dc.shear, si), co);
    if (std::llabs(h) > std::llabs(k))
        dc.yScale = MulDiv(kOne, m.c, h);
    else
        dc.yScale = MulDiv(kOne, m.d, k);
    dc.flags = static_cast<std::uint8_t>((dc.x != 0 ? 1 : 0) | (dc.y != 0 ? 2 : 0) | (dc.xScale != kOne ? 4 : 0) |
                                         (dc.yScale != kOne ? 8 : 0) | (dc.angle != 0 ? 16 : 0) |
                                         (dc.shear != 0 ? 32 : 0) | (dc.unused != 0 ? 64 : 0));
    return dc;
}

PictureGeometry pictureGeometry(std::int32_t rotation, std::int32_t xFactor, std::int32_t yFactor) {
    Matrix m = composeMatrices(rotationMatrix(rotation), scalingMatrix(xFactor, kOne, yFactor, kOne));
    Decomposition dc = decomposeMatrix(m);
    PictureGeometry g;
    g.scale = dc.yScale;
    g.aspect = MulDiv(kOne, dc.xScale, dc.yScale);
    g.angle = dc.angle;
    g.skew = degrees(std::atan(dc.shear / 65536.0));
    return g;
}

} // namespace folio
