// Pcxload run as the host runs it, natively and (when configured) the Windows
// build under Wine: Draw files checked header and pixel by pixel, failures by
// their exact text.
#include "tests/readers/gif_pcx_harness.h"
#include "tests/support/pcx_builder.h"

#include <gtest/gtest.h>

using testing_support::Bytes;
using testing_support::PcxBuilder;

namespace {

PcxBuilder pattern(int bits, int planes, int width, int height) {
    PcxBuilder pcx;
    pcx.bits_per_pixel = bits;
    pcx.planes = planes;
    pcx.size(width, height);
    for (int i = 0; i < width * height; ++i) {
        std::uint32_t v = static_cast<std::uint32_t>(i * 2654435761u);
        pcx.pixels.push_back(bits == 8 && planes >= 3 ? v : v % (1u << (bits * planes)));
    }
    for (std::size_t i = 0; i < pcx.colour_map.size(); ++i) pcx.colour_map[i] = static_cast<std::uint8_t>(250 - i * 3);
    return pcx;
}

TEST(PcxloadProgram, UsageAndMissingInput) { reader_harness::expect_usage_and_missing_input("Pcxload"); }

TEST(PcxloadProgram, ConvertsEachLayout) {
    struct Case { const char *name; PcxBuilder pcx; int bpp; };
    PcxBuilder with_trailing = pattern(8, 1, 21, 9);
    with_trailing.trailing_palette = std::vector<std::uint8_t>(768);
    for (std::size_t i = 0; i < 768; ++i) (*with_trailing.trailing_palette)[i] = static_cast<std::uint8_t>(i / 3 ^ i % 3 * 85);
    PcxBuilder mono = pattern(1, 1, 10, 3);
    mono.version = 3;
    const Case cases[] = {
        {"16 colours in planes", pattern(1, 4, 31, 7), 4},
        {"8 bits with trailing palette", with_trailing, 8},
        {"version 3 mono", mono, 1},
        {"24-bit", pattern(8, 3, 19, 5), 32},
    };
    std::vector<Bytes> native_outputs;
    for (auto runner : testing_support::runners_for("Pcxload")) {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const Case &c = cases[i];
            SCOPED_TRACE(testing_support::runner_name(runner) + ": " + c.name);
            auto run = reader_harness::run_program_on(runner, "Pcxload", c.pcx.build());
            ASSERT_TRUE(run.result.succeeded) << run.result.failure_text;
            ASSERT_EQ(run.parse_problem, "");
            // Both builds write the same bytes.
            if (runner == testing_support::Runner::native) native_outputs.push_back(run.output);
            else EXPECT_EQ(run.output, native_outputs[i]);
            const auto &sprite = run.sprite;
            EXPECT_EQ(sprite.creator, "VOVID       ");
            EXPECT_EQ(sprite.name, "pcx0");
            EXPECT_EQ(sprite.bpp, c.bpp);
            EXPECT_FALSE(sprite.has_mask);
            ASSERT_EQ(sprite.width, c.pcx.width());
            ASSERT_EQ(sprite.height, c.pcx.height());
            EXPECT_EQ(sprite.box[2], static_cast<std::uint32_t>(c.pcx.width() * 480));
            for (int y = 0; y < c.pcx.height(); ++y)
                for (int x = 0; x < c.pcx.width(); ++x) {
                    std::uint32_t p = c.pcx.pixels[static_cast<std::size_t>(y * c.pcx.width() + x)];
                    if (c.bpp == 32) {
                        ASSERT_EQ(sprite.rgb(x, y), p & 0xFFFFFF) << x << "," << y;
                        continue;
                    }
                    ASSERT_EQ(sprite.pixel(x, y), p) << x << "," << y;
                    std::uint32_t expected = 0;
                    if (c.bpp == 1) expected = p ? 0xFFFFFF : 0;
                    else if (c.bpp == 8) {
                        const auto &t = *c.pcx.trailing_palette;
                        expected = static_cast<std::uint32_t>(t[p * 3] << 16 | t[p * 3 + 1] << 8 | t[p * 3 + 2]);
                    } else {
                        const auto &m = c.pcx.colour_map;
                        expected = static_cast<std::uint32_t>(m[p * 3] << 16 | m[p * 3 + 1] << 8 | m[p * 3 + 2]);
                    }
                    ASSERT_EQ(sprite.rgb(x, y), expected) << x << "," << y;
                }
        }
    }
}

TEST(PcxloadProgram, FailuresReachTheHostAsText) {
    PcxBuilder no_depth = pattern(8, 1, 4, 4);
    no_depth.planes = 0;
    no_depth.data = Bytes{};
    Bytes short_file = pattern(8, 1, 4, 4).build();
    short_file.resize(100);
    struct Case { const char *name; Bytes file; const char *text; };
    const Case cases[] = {
        {"shorter than the header", short_file, "Error reading data."},
        {"depth 0", no_depth.build(), "Bad PCX header: 0 bits per pixel."},
    };
    for (auto runner : testing_support::runners_for("Pcxload"))
        for (const Case &c : cases) {
            auto run = reader_harness::run_program_on(runner, "Pcxload", c.file);
            EXPECT_FALSE(run.result.succeeded);
            EXPECT_EQ(run.result.failure_text, c.text) << testing_support::runner_name(runner) << ": " << c.name;
        }
}

} // namespace
