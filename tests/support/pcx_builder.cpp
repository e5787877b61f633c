#include "tests/support/pcx_builder.h"

namespace testing_support {

int PcxBuilder::line_length() const {
    if (bytes_per_line) return *bytes_per_line;
    int bytes = (width() * bits_per_pixel + 7) / 8;
    return bytes + (bytes & 1);
}

Bytes PcxBuilder::lines() const {
    const int length = line_length();
    Bytes out;
    for (int y = 0; y < height(); ++y) {
        for (int plane = 0; plane < planes; ++plane) {
            Bytes line(static_cast<std::size_t>(length), 0);
            for (int x = 0; x < width(); ++x) {
                std::uint32_t p = pixels[static_cast<std::size_t>(y * width() + x)];
                if (bits_per_pixel == 8 && planes > 1) {
                    if (x < length) line[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(p >> (plane < 3 ? 16 - 8 * plane : 24));
                    continue;
                }
                std::uint32_t value = planes > 1 ? (p >> plane) & 1 : p;
                std::size_t bit = static_cast<std::size_t>(x) * bits_per_pixel;
                if (bit / 8 >= line.size()) continue;
                int shift = 8 - bits_per_pixel - static_cast<int>(bit % 8); // leftmost pixel in the top bits
                line[bit / 8] = static_cast<std::uint8_t>(line[bit / 8] | value << shift);
            }
            append(out, line);
        }
    }
    return out;
}

Bytes pcx_encode(const Bytes &bytes) {
    Bytes out;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t run = 1;
        while (i + run < bytes.size() && run < 63 && bytes[i + run] == bytes[i]) ++run;
        if (run == 1 && bytes[i] < 0xC0) {
            out.push_back(bytes[i]);
        } else {
            out.push_back(static_cast<std::uint8_t>(0xC0 | run));
            out.push_back(bytes[i]);
        }
        i += run;
    }
    return out;
}

Bytes PcxBuilder::build() const {
    Bytes out(128, 0);
    auto put16 = [&](int at, int value) {
        out[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value & 0xFF);
        out[static_cast<std::size_t>(at + 1)] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    };
    out[0] = manufacturer;
    out[1] = version;
    out[2] = encoding;
    out[3] = static_cast<std::uint8_t>(bits_per_pixel);
    put16(4, xmin);
    put16(6, ymin);
    put16(8, xmax);
    put16(10, ymax);
    put16(12, 300);
    put16(14, 300);
    std::copy(colour_map.begin(), colour_map.end(), out.begin() + 16);
    out[65] = static_cast<std::uint8_t>(planes);
    put16(66, line_length());
    put16(68, 1);
    if (data) {
        append(out, *data);
    } else if (encoding == 0) {
        append(out, lines()); // stored without runs
    } else if (runs_cross_lines) {
        Bytes encoded = pcx_encode(lines());
        append(out, encoded);
    } else {
        Bytes all = lines();
        const std::size_t length = static_cast<std::size_t>(line_length());
        for (std::size_t at = 0; at < all.size(); at += length) {
            Bytes encoded = pcx_encode(Bytes(all.begin() + static_cast<long>(at),
                                             all.begin() + static_cast<long>(at + length)));
            append(out, encoded);
        }
    }
    if (trailing_palette) {
        out.push_back(trailing_marker);
        append(out, *trailing_palette);
    }
    return out;
}

} // namespace testing_support
