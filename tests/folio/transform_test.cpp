// The placement arithmetic must agree with the host's to the last unit.
#include "folio/transform.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace folio;

namespace {

constexpr std::int32_t kOne = 0x10000;

std::int32_t word(std::uint32_t bits) { return static_cast<std::int32_t>(bits); }

TEST(Transform, FixedMultiplyRoundsAsMulDiv) {
    struct Case { std::int32_t x, y, expected; };
    const Case cases[] = {
        {kOne, kOne, kOne}, {0x8000, 0x8000, 0x4000}, {1, 0x8000, 1}, {-1, 0x8000, -1},
        {3, 0x5555, 1}, {0x7fff0000, 0x20000, -1},
    };
    for (const auto &c : cases) EXPECT_EQ(fixedMultiply(c.x, c.y), c.expected) << c.x << " " << c.y;
}

TEST(Transform, HypotTruncates) {
    EXPECT_EQ(fixedHypot(3, 4), 5);
    EXPECT_EQ(fixedHypot(1, 1), 1);
    EXPECT_EQ(fixedHypot(0xb504, 0xb504), 65534);
    EXPECT_EQ(fixedHypot(-0x10000, 0), 0x10000);
    EXPECT_EQ(fixedHypot(INT32_MAX, INT32_MAX), INT32_MIN);  // too large: the processor's overflow value
}

TEST(Transform, RotationMatrices) {
    struct Case { std::int32_t angle; Matrix expected; };
    const Case cases[] = {
        {0, {kOne, 0, 0, kOne, 0, 0}},
        {0x5a0000, {0, kOne, -kOne, 0, 0, 0}},
        {0xb40000, {-kOne, 0, 0, -kOne, 0, 0}},
        {0x2d0000, {0xb504, 0xb504, -0xb504, 0xb504, 0, 0}},
        {0x1e0000, {0xddb3, 0x7fff, -0x7fff, 0xddb3, 0, 0}},
        {-0x5a0000, {0, -kOne, kOne, 0, 0, 0}},
        {0x10e0000, {0, -kOne, kOne, 0, 0, 0}},
    };
    for (const auto &c : cases) EXPECT_EQ(rotationMatrix(c.angle), c.expected) << std::hex << c.angle;
}

TEST(Transform, ScalingMatrices) {
    struct Case { std::int32_t p, q, r, s; Matrix expected; };
    const Case cases[] = {
        {kOne, kOne, kOne, kOne, {kOne, 0, 0, kOne, 0, 0}},
        {0, 0x20000, 0, 0x20000, {kOne, 0, 0, kOne, 0, 0}},
        {0x20000, kOne, 0x8000, kOne, {0x8000, 0, 0, 0x20000, 0, 0}},
        {3 * kOne, kOne, kOne, 3 * kOne, {0x5555, 0, 0, 3 * kOne, 0, 0}},
    };
    for (const auto &c : cases) EXPECT_EQ(scalingMatrix(c.p, c.q, c.r, c.s), c.expected);
    EXPECT_EQ(identityMatrix(), (Matrix{kOne, 0, 0, kOne, 0, 0}));
}

TEST(Transform, ComposeAppliesTheFirstMatrixFirst) {
    Matrix first{0x20000, 0, 0, 0x30000, kOne, 0x20000};
    Matrix second{0, kOne, -kOne, 0, 5, 7};
    EXPECT_EQ(composeMatrices(first, second), (Matrix{0, 0x20000, -0x30000, 0, -0x1fffb, 0x10007}));
    EXPECT_EQ(composeMatrices(identityMatrix(), second), second);
}

TEST(Transform, Decompositions) {
    struct Case { Matrix m; Decomposition expected; };
    const Case cases[] = {
        {identityMatrix(), {0, 0, kOne, kOne, 0, 0, 0, 0}},
        {rotationMatrix(0x5a0000), {0, 0, kOne, kOne, 0x5a0000, 0, 0, 0x10}},
        {rotationMatrix(-0x5a0000), {0, 0, kOne, kOne, word(0xffa60000), 0, 0, 0x10}},
        {{-0x20000, 0, 0, -kOne, 0, 0}, {0, 0, 0x20000, kOne, 0xb40000, 0, 0, 0x14}},
        {rotationMatrix(0x2d0000), {0, 0, 65534, kOne, 0x2d0000, 0, 0, 0x14}},
        {rotationMatrix(0x1e0000), {0, 0, 65534, 65535, 1966054, 0, 0, 0x1c}},
        {{kOne, 0, 0x8000, kOne, 3, -4}, {3, -4, kOne, kOne, 0, 0x8000, 0, 0x23}},
        {{0x20000, 0, 0, 0x30000, 0, 0}, {0, 0, 0x20000, 0x30000, 0, 0, 0, 0x0c}},
    };
    for (const auto &c : cases) {
        Decomposition d = decomposeMatrix(c.m);
        EXPECT_EQ(d, c.expected) << std::hex << "x " << d.x << " y " << d.y << " xs " << d.xScale << " ys "
                                 << d.yScale << " angle " << d.angle << " shear " << d.shear << " flags "
                                 << int{d.flags};
    }
}

TEST(Transform, PictureGeometryFromRotationAndFactors) {
    struct Case { std::int32_t rotation, xFactor, yFactor; PictureGeometry expected; };
    const Case cases[] = {
        {0, kOne, kOne, {kOne, kOne, 0, 0}},
        {0, 0, 0, {kOne, kOne, 0, 0}},
        {0, 0x20000, 0x20000, {0x8000, kOne, 0, 0}},
        {0, 0x8000, kOne, {kOne, 0x20000, 0, 0}},
        {0x5a0000, kOne, kOne, {kOne, kOne, 0x5a0000, 0}},
        {0xb40000, kOne, kOne, {kOne, kOne, 0xb40000, 0}},
        {0x2d0000, 0x20000, kOne, {0xa1e7, 0x14000, 0x3f6f58, 0x24ded6}},
        {0x1e0000, 0x18000, 0x8000, {0x1279b, 0xfffd, 0x3bffd8, 0x311b26}},
    };
    for (const auto &c : cases) {
        PictureGeometry g = pictureGeometry(c.rotation, c.xFactor, c.yFactor);
        EXPECT_EQ(g, c.expected) << std::hex << "scale " << g.scale << " aspect " << g.aspect << " angle " << g.angle
                                 << " skew " << g.skew;
    }
}

} // namespace
