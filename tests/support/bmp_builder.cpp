#include "tests/support/bmp_builder.h"
#include "tests/support/files.h"

namespace testing_support {
namespace {

Bytes pack_row(const BmpBuilder &b, const std::vector<std::uint32_t> &row) {
    Bytes out;
    const std::size_t row_bytes = (static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.depth) + 31) / 32 * 4;
    if (b.depth <= 8) {
        out.assign(row_bytes, 0);
        for (int x = 0; x < b.width; ++x) {
            std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(b.depth);
            // PC order: the leftmost pixel in the most significant bits of its byte.
            int shift = 8 - b.depth - static_cast<int>(bit % 8);
            out[bit / 8] |= static_cast<std::uint8_t>((row[static_cast<std::size_t>(x)] & ((1u << b.depth) - 1)) << shift);
        }
        return out;
    }
    for (int x = 0; x < b.width; ++x) {
        std::uint32_t v = row[static_cast<std::size_t>(x)];
        if (b.depth == 16) {
            put_u16(out, v);
        } else if (b.depth == 24) {
            out.push_back(static_cast<std::uint8_t>(v));       // blue
            out.push_back(static_cast<std::uint8_t>(v >> 8));  // green
            out.push_back(static_cast<std::uint8_t>(v >> 16)); // red
        } else {
            put_u32(out, v);
        }
    }
    out.resize(row_bytes, 0);
    return out;
}

} // namespace

Bytes BmpBuilder::build() const {
    Bytes info;
    if (os2) {
        put_u32(info, 12);
        put_u16(info, static_cast<std::uint32_t>(width));
        put_u16(info, static_cast<std::uint32_t>(height));
        put_u16(info, 1);
        put_u16(info, static_cast<std::uint32_t>(depth));
    } else {
        put_u32(info, header_size);
        put_u32(info, static_cast<std::uint32_t>(width));
        put_u32(info, static_cast<std::uint32_t>(top_down ? -height : height));
        put_u16(info, 1);
        put_u16(info, static_cast<std::uint32_t>(depth));
        put_u32(info, compression);
        put_u32(info, 0);
        put_u32(info, x_ppm);
        put_u32(info, y_ppm);
        // A short palette says how long it is, as encoders do.
        std::uint32_t used = colours_used;
        if (used == 0 && depth <= 8 && !palette_rgb.empty() && palette_rgb.size() < (std::size_t{1} << depth))
            used = static_cast<std::uint32_t>(palette_rgb.size());
        put_u32(info, used);
        put_u32(info, 0);
        if (header_size >= 52 && masks.size() == 3)
            for (std::uint32_t m : masks) put_u32(info, m);
        info.resize(header_size, 0);
        if (header_size < 52 && masks.size() == 3)
            for (std::uint32_t m : masks) put_u32(info, m);
    }
    for (std::uint32_t rgb : palette_rgb) {
        info.push_back(static_cast<std::uint8_t>(rgb));
        info.push_back(static_cast<std::uint8_t>(rgb >> 8));
        info.push_back(static_cast<std::uint8_t>(rgb >> 16));
        if (!os2) info.push_back(0);
    }
    Bytes pixels = raw_pixels;
    if (pixels.empty())
        for (int i = 0; i < height; ++i) {
            int y = top_down ? i : height - 1 - i; // bottom-up files store the last row first
            const std::vector<std::uint32_t> blank(static_cast<std::size_t>(width > 0 ? width : 0), 0);
            Bytes row = pack_row(*this, rows.empty() ? blank : rows.at(static_cast<std::size_t>(y)));
            pixels.insert(pixels.end(), row.begin(), row.end());
        }

    Bytes file{'B', 'M'};
    const std::uint32_t data_offset = static_cast<std::uint32_t>(14 + info.size() + data_offset_adjust);
    put_u32(file, static_cast<std::uint32_t>(14 + info.size() + pixels.size()));
    put_u32(file, 0);
    put_u32(file, data_offset);
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

std::vector<std::vector<std::uint32_t>> pattern_rows(int width, int height, std::uint32_t modulo) {
    std::vector<std::vector<std::uint32_t>> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rows[static_cast<std::size_t>(y)].push_back(static_cast<std::uint32_t>(x * 7 + y * 13 + x * y) % modulo);
    return rows;
}

} // namespace testing_support
