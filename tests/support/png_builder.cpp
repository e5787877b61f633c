#include "tests/support/png_builder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace testing_support {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

std::array<std::uint32_t, 256> crc_table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

std::uint32_t crc32(const std::uint8_t *bytes, std::size_t length) {
    static const auto table = crc_table();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) c = table[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void store32(std::uint8_t *at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::uint32_t adler32(const Bytes &bytes) {
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::uint8_t byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

void put32(Bytes &out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void put16(Bytes &out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// A zlib stream of stored blocks: valid deflate without compressing.
Bytes zlib_stored(const Bytes &data) {
    Bytes out{0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t length = std::min<std::size_t>(65535, data.size() - at);
        const bool last = at + length == data.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(length));
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.push_back(static_cast<std::uint8_t>(~length));
        out.push_back(static_cast<std::uint8_t>(~length >> 8));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    } while (at < data.size());
    put32(out, adler32(data));
    return out;
}

std::uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    if (pb <= pc) return static_cast<std::uint8_t>(b);
    return static_cast<std::uint8_t>(c);
}

// Appends one filtered row: the filter byte, then each byte minus its predictor.
void put_filtered(Bytes &out, const Bytes &row, const Bytes &previous, int filter, std::size_t pixel_bytes) {
    out.push_back(static_cast<std::uint8_t>(filter));
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int a = i >= pixel_bytes ? row[i - pixel_bytes] : 0;
        const int b = previous.empty() ? 0 : previous[i];
        const int c = i >= pixel_bytes && !previous.empty() ? previous[i - pixel_bytes] : 0;
        int predictor = 0;
        switch (filter) {
        case 1: predictor = a; break;
        case 2: predictor = b; break;
        case 3: predictor = (a + b) / 2; break;
        case 4: predictor = paeth(a, b, c); break;
        default: break;
        }
        out.push_back(static_cast<std::uint8_t>(row[i] - predictor));
    }
}

struct Pass {
    std::uint32_t x0, y0, dx, dy;
};
constexpr std::array<Pass, 7> kAdam7{{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}};

} // namespace

Bytes png_chunk(std::string_view type, const Bytes &data) {
    // Sized once and filled in place: length, type, data, then the CRC of
    // type and data.
    if (type.size() != 4) throw std::invalid_argument("a chunk type has four letters");
    Bytes out(4 + 4 + data.size() + 4);
    store32(out.data(), static_cast<std::uint32_t>(data.size()));
    std::memcpy(out.data() + 4, type.data(), 4);
    if (!data.empty()) std::memcpy(out.data() + 8, data.data(), data.size());
    store32(out.data() + 8 + data.size(), crc32(out.data() + 4, 4 + data.size()));
    return out;
}

int png_channels(int colour_type) {
    switch (colour_type) {
    case kPngRgb: return 3;
    case kPngGreyAlpha: return 2;
    case kPngRgba: return 4;
    default: return 1;
    }
}

std::uint8_t png_sample_8(std::uint16_t sample, int bit_depth) {
    return static_cast<std::uint8_t>(bit_depth == 16 ? sample >> 8 : sample);
}

PngBuilder &PngBuilder::size(std::uint32_t w, std::uint32_t h) {
    width = w;
    height = h;
    return *this;
}
PngBuilder &PngBuilder::format(int depth, int colour) {
    bit_depth = depth;
    colour_type = colour;
    return *this;
}
PngBuilder &PngBuilder::interlace(bool on) {
    interlaced = on;
    return *this;
}
PngBuilder &PngBuilder::pixels(std::vector<std::uint16_t> values) {
    samples = std::move(values);
    return *this;
}
PngBuilder &PngBuilder::pattern() {
    const int channels = png_channels(colour_type);
    const std::uint32_t limit = colour_type == kPngPalette && !plte.empty()
                                    ? static_cast<std::uint32_t>(plte.size())
                                    : 1u << bit_depth;
    samples.clear();
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                // Spreads values over the whole range, so high and low bytes of 16-bit samples differ.
                const std::uint32_t n = x * 7 + y * 13 + static_cast<std::uint32_t>(c) * 5;
                const std::uint32_t v = bit_depth == 16 ? (n * 4099u + 0x1234u * c) % limit : n % limit;
                samples.push_back(static_cast<std::uint16_t>(v));
            }
        }
    }
    return *this;
}
PngBuilder &PngBuilder::palette(std::vector<Rgb> colours) {
    plte = std::move(colours);
    return *this;
}
PngBuilder &PngBuilder::transparency(Bytes data) {
    trns = std::move(data);
    return *this;
}
PngBuilder &PngBuilder::transparent_grey(std::uint16_t grey) {
    trns.clear();
    put16(trns, grey);
    return *this;
}
PngBuilder &PngBuilder::transparent_rgb(std::uint16_t red, std::uint16_t green, std::uint16_t blue) {
    trns.clear();
    put16(trns, red);
    put16(trns, green);
    put16(trns, blue);
    return *this;
}
PngBuilder &PngBuilder::background_index(std::uint8_t index) {
    bkgd = {index};
    return *this;
}
PngBuilder &PngBuilder::background_grey(std::uint16_t grey) {
    bkgd.clear();
    put16(bkgd, grey);
    return *this;
}
PngBuilder &PngBuilder::background_rgb(std::uint16_t red, std::uint16_t green, std::uint16_t blue) {
    bkgd.clear();
    put16(bkgd, red);
    put16(bkgd, green);
    put16(bkgd, blue);
    return *this;
}
PngBuilder &PngBuilder::physical(std::uint32_t x, std::uint32_t y, std::uint8_t unit) {
    phys.clear();
    put32(phys, x);
    put32(phys, y);
    phys.push_back(unit);
    return *this;
}
PngBuilder &PngBuilder::chunk(std::string type, Bytes data) {
    extra.emplace_back(std::move(type), std::move(data));
    return *this;
}
PngBuilder &PngBuilder::split_idat(std::size_t piece) {
    idat_piece = piece;
    return *this;
}
PngBuilder &PngBuilder::filters() {
    cycle_filters = true;
    return *this;
}

std::uint16_t PngBuilder::sample(std::uint32_t x, std::uint32_t y, int c) const {
    const std::size_t channels = static_cast<std::size_t>(png_channels(colour_type));
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * channels + static_cast<std::size_t>(c);
    if (at >= samples.size()) throw std::logic_error("PngBuilder: fewer samples than pixels");
    return samples[at];
}

Bytes PngBuilder::image_data() const {
    const int channels = png_channels(colour_type);
    const std::size_t bits_per_pixel = static_cast<std::size_t>(bit_depth * channels);
    const std::size_t pixel_bytes = std::max<std::size_t>(1, bits_per_pixel / 8);
    Bytes filtered;
    int filter = 0;
    const std::vector<Pass> passes =
        interlaced ? std::vector<Pass>(kAdam7.begin(), kAdam7.end()) : std::vector<Pass>{{0, 0, 1, 1}};
    for (const Pass &pass : passes) {
        if (pass.x0 >= width || pass.y0 >= height) continue; // an empty pass has no rows at all
        const std::uint32_t pass_width = (width - pass.x0 + pass.dx - 1) / pass.dx;
        Bytes previous;
        for (std::uint32_t y = pass.y0; y < height; y += pass.dy) {
            Bytes row((pass_width * bits_per_pixel + 7) / 8);
            std::size_t bit = 0;
            for (std::uint32_t x = pass.x0; x < width; x += pass.dx) {
                for (int c = 0; c < channels; ++c) {
                    const std::uint16_t v = sample(x, y, c);
                    if (bit_depth == 16) {
                        row[bit / 8] = static_cast<std::uint8_t>(v >> 8);
                        row[bit / 8 + 1] = static_cast<std::uint8_t>(v);
                    } else {
                        // Leftmost sample in the most significant bits.
                        row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bit_depth - bit % 8));
                    }
                    bit += static_cast<std::size_t>(bit_depth);
                }
            }
            put_filtered(filtered, row, previous, filter, pixel_bytes);
            if (cycle_filters) filter = (filter + 1) % 5;
            previous = std::move(row);
        }
    }
    return zlib_stored(filtered);
}

Bytes PngBuilder::build() const {
    Bytes out(kSignature.begin(), kSignature.end());
    Bytes ihdr;
    put32(ihdr, width);
    put32(ihdr, height);
    ihdr.push_back(static_cast<std::uint8_t>(bit_depth));
    ihdr.push_back(static_cast<std::uint8_t>(colour_type));
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(interlaced ? 1 : 0);
    auto add = [&out](std::string_view type, const Bytes &data) {
        const Bytes chunk = png_chunk(type, data);
        append(out, chunk);
    };
    add("IHDR", ihdr);
    if (!phys.empty()) add("pHYs", phys);
    if (!plte.empty()) {
        Bytes data;
        for (const Rgb &c : plte) data.insert(data.end(), {c.r, c.g, c.b});
        add("PLTE", data);
    }
    if (!trns.empty()) add("tRNS", trns);
    if (!bkgd.empty()) add("bKGD", bkgd);
    for (const auto &[type, data] : extra) add(type, data);
    const Bytes data = image_data();
    const std::size_t piece = idat_piece == 0 ? data.size() : idat_piece;
    for (std::size_t at = 0; at < data.size(); at += piece) {
        const std::size_t length = std::min(piece, data.size() - at);
        add("IDAT", Bytes(data.begin() + static_cast<std::ptrdiff_t>(at),
                          data.begin() + static_cast<std::ptrdiff_t>(at + length)));
    }
    add("IEND", {});
    return out;
}

} // namespace testing_support
