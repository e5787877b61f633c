// BMP reader: Windows and OS/2 bitmaps, 1 to 32 bits per pixel, uncompressed,
// RLE8, RLE4 and bit fields, into one sprite with no mask.
//
// Failure policy. Rejected: a file not starting "BM" ("This is not a BMP
// file"); a width or height that is not positive ("Image has no pixels");
// a depth above 32 ("{EBADBITS}") or one that is no sprite depth ("{EMODE}");
// an image above the bitmap limit ("Image is too large"); a short row of an
// uncompressed file ("{ERD}"). Tolerated: RLE data that ends early (rows it
// does not reach stay 0), runs and deltas that reach past the image (cut at
// the row's end, or ending the decoding above the top row), compressions the
// reader does not decode (the sprite keeps all pixels 0), a resolution that
// rounds to nothing (the default stands).
#include "readers/bmp.h"
#include "framework/bytes.h"
#include "framework/sprite.h"
#include "framework/stream.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <span>

namespace {

constexpr std::uint32_t kOs2HeaderSize = 12;
constexpr std::size_t kKeptHeaderSize = 124;
constexpr std::uint32_t kMaskedHeaderSize = 52; // version 2 and later carry the bit-field masks

// The 16 bytes after the signature: file size, reserved, data offset, and the
// info header's size.
constexpr std::size_t kFileDataOffset = 8;
constexpr std::size_t kFileInfoSize = 12;

// Fields of the kept info header, from its start.
constexpr std::size_t kOs2Width = 4;  // 16-bit signed
constexpr std::size_t kOs2Height = 6; // 16-bit signed
constexpr std::size_t kOs2BitCount = 10;
constexpr std::size_t kInfoWidth = 4;
constexpr std::size_t kInfoHeight = 8; // negative: rows stored top row first
constexpr std::size_t kInfoBitCount = 14;
constexpr std::size_t kInfoCompression = 16;
constexpr std::size_t kInfoXPelsPerMetre = 24;
constexpr std::size_t kInfoYPelsPerMetre = 28;
constexpr std::size_t kInfoColoursUsed = 32;
constexpr std::size_t kInfoRedMask = 40; // then green, blue

constexpr std::int32_t kDefaultXdpi = 90;
constexpr std::int32_t kDefaultYdpi = 45;

enum class Compression : std::uint32_t { none = 0, rle8 = 1, rle4 = 2, bit_fields = 3 };

struct Channel {
    std::uint32_t mask;
    int shift;
};

struct BmpState {
    std::int32_t depth = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool top_down = false;
    bool os2 = false;
    std::uint32_t compression = 0;
    std::int32_t xdpi = kDefaultXdpi;
    std::int32_t ydpi = kDefaultYdpi;
    std::array<std::uint32_t, 256> palette{};
    std::int32_t palette_count = 0;
    Channel red{}, green{}, blue{};
};

// A 16-bit field of the kept info header; bytes the file did not supply read as 0.
std::uint16_t header_half(ByteSpan header, std::size_t at) {
    std::uint16_t value = 0;
    readU16(header, at, value);
    return value;
}

// The shift that keeps the top 5 (16 bpp) or 8 (32 bpp) bits of a wide mask.
int mask_shift(std::uint32_t mask, std::int32_t depth) {
    if (mask == 0) return 0;
    int lowest = 0, highest = 31;
    while (((mask >> lowest) & 1) == 0) ++lowest;
    while (((mask >> highest) & 1) == 0) --highest;
    int keep = depth == 16 ? 4 : 7;
    return highest - lowest > keep ? highest - keep : lowest;
}

Channel channel(std::uint32_t mask, std::int32_t depth) { return {mask, mask_shift(mask, depth)}; }

std::uint32_t component(std::uint32_t pixel, const Channel &c) { return (pixel & c.mask) >> c.shift; }

ErrorRecord *read_palette(FileStream *in, BmpState &state, std::int64_t count, int entry_size) {
    for (std::int64_t i = 0; i < count; ++i) {
        std::uint8_t entry[4];
        if (ErrorRecord *error = stream_read_exact(in, entry, entry_size)) return error;
        if (i < 256) state.palette[static_cast<std::size_t>(i)] = palette_word(entry[2], entry[1], entry[0]);
    }
    state.palette_count = static_cast<std::int32_t>(std::min<std::int64_t>(count, 256));
    return nullptr;
}

ErrorRecord *read_headers(FileStream *in, BmpState &state, std::uint32_t *data_offset) {
    std::int32_t b = 0, m = 0;
    if (ErrorRecord *error = stream_read_byte(in, &b)) return error;
    if (ErrorRecord *error = stream_read_byte(in, &m)) return error;
    if (b != 'B' || m != 'M') return error_from_format(0, "This is not a BMP file");

    std::uint8_t file_header[16];
    if (ErrorRecord *error = stream_read_exact(in, file_header, sizeof file_header)) return error;
    *data_offset = wordOrZero(file_header, kFileDataOffset);
    const std::uint32_t header_size = wordOrZero(file_header, kFileInfoSize);

    std::array<std::uint8_t, kKeptHeaderSize> kept{};
    std::memcpy(kept.data(), &file_header[kFileInfoSize], 4);
    const std::size_t body = header_size > 4 ? std::min<std::size_t>(header_size, kKeptHeaderSize) - 4 : 0;
    if (ErrorRecord *error = stream_read_exact(in, kept.data() + 4, static_cast<std::int32_t>(body))) return error;
    if (header_size > kKeptHeaderSize) stream_skip(in, header_size - kKeptHeaderSize);
    const ByteSpan header(kept.data(), std::min<std::size_t>(header_size, kKeptHeaderSize));

    if (header_size == kOs2HeaderSize) {
        state.os2 = true;
        state.width = static_cast<std::int16_t>(header_half(header, kOs2Width));
        state.height = static_cast<std::int16_t>(header_half(header, kOs2Height));
        state.depth = header_half(header, kOs2BitCount);
        if (state.depth <= 8) return read_palette(in, state, std::int64_t{1} << state.depth, 3);
        return nullptr;
    }

    state.width = static_cast<std::int32_t>(wordOrZero(header, kInfoWidth));
    std::int32_t height = static_cast<std::int32_t>(wordOrZero(header, kInfoHeight));
    state.depth = header_half(header, kInfoBitCount);
    state.compression = wordOrZero(header, kInfoCompression);
    // The resolution fields are signed: a negative one keeps the default.
    state.xdpi = dpi_from_ppm(static_cast<std::int32_t>(wordOrZero(header, kInfoXPelsPerMetre)), kDefaultXdpi);
    state.ydpi = dpi_from_ppm(static_cast<std::int32_t>(wordOrZero(header, kInfoYPelsPerMetre)), kDefaultYdpi);
    if (height < 0 && height != INT32_MIN) {
        state.top_down = true;
        height = -height;
    }
    state.height = height;

    if (state.depth <= 8) {
        const std::uint32_t used = wordOrZero(header, kInfoColoursUsed);
        return read_palette(in, state, used != 0 ? used : std::int64_t{1} << state.depth, 4);
    }
    if (state.compression == static_cast<std::uint32_t>(Compression::bit_fields)) {
        std::uint32_t masks[3];
        if (header_size >= kMaskedHeaderSize) {
            for (std::size_t i = 0; i < 3; ++i) masks[i] = wordOrZero(header, kInfoRedMask + 4 * i);
        } else {
            for (auto &mask : masks)
                if (ErrorRecord *error = stream_read_word(in, &mask)) return error;
        }
        state.red = channel(masks[0], state.depth);
        state.green = channel(masks[1], state.depth);
        state.blue = channel(masks[2], state.depth);
    } else if (state.depth == 16) {
        state.red = {0x7C00, 10};
        state.green = {0x3E0, 5};
        state.blue = {0x1F, 0};
    } else if (state.depth == 32) {
        state.red = {0xFF0000, 16};
        state.green = {0xFF00, 8};
        state.blue = {0xFF, 0};
    }
    return nullptr;
}

void convert_row(Bitmap *bitmap, std::int32_t y, const BmpState &state) {
    std::span<std::uint8_t> row = bitmap_row_bytes(bitmap, y);
    switch (state.depth) {
    case 32:
        for (std::size_t x = 0; x < static_cast<std::size_t>(state.width); ++x) {
            std::uint32_t p = 0;
            std::memcpy(&p, &row[x * 4], 4);
            std::uint32_t q = component(p, state.red) | component(p, state.green) << 8 | component(p, state.blue) << 16;
            std::memcpy(&row[x * 4], &q, 4);
        }
        break;
    case 16:
        for (std::size_t x = 0; x < static_cast<std::size_t>(state.width); ++x) {
            std::uint32_t h = static_cast<std::uint32_t>(row[x * 2] | row[x * 2 + 1] << 8);
            std::uint32_t q = component(h, state.red) | component(h, state.green) << 5 | component(h, state.blue) << 10;
            row[x * 2] = static_cast<std::uint8_t>(q);
            row[x * 2 + 1] = static_cast<std::uint8_t>(q >> 8);
        }
        break;
    case 24:
        for (std::size_t x = 0; x < static_cast<std::size_t>(state.width); ++x) std::swap(row[x * 3], row[x * 3 + 2]);
        break;
    default: bitmap_reverse_row_pixels(bitmap, y); break;
    }
}

ErrorRecord *decode_uncompressed(FileStream *in, Bitmap *bitmap, const BmpState &state) {
    for (std::int32_t i = 0; i < state.height; ++i) {
        const std::int32_t y = state.top_down ? i : state.height - 1 - i;
        std::span<std::uint8_t> row = bitmap_row_bytes(bitmap, y);
        if (ErrorRecord *error = stream_read_exact(in, row.data(), static_cast<std::int32_t>(row.size()))) return error;
        convert_row(bitmap, y, state);
    }
    return nullptr;
}

// Writes RLE pixels into the current row; pixels right of the width are dropped.
struct RlePainter {
    Bitmap *bitmap;
    std::int32_t y;
    std::int64_t column;
    bool four_bit;
    std::span<std::uint8_t> row{};
    std::int32_t row_y = -1;

    bool on_image() {
        if (y < 0) return false;
        if (row_y != y) {
            row = bitmap_row_bytes(bitmap, y);
            row_y = y;
        }
        return true;
    }

    void put(std::uint32_t value) {
        if (column >= 0 && column < bitmap->width && on_image()) {
            if (four_bit)
                row[static_cast<std::size_t>(column / 2)] |= static_cast<std::uint8_t>((value & 0xF) << ((column & 1) * 4));
            else
                row[static_cast<std::size_t>(column)] = static_cast<std::uint8_t>(value);
        }
        ++column;
    }

    void copy(const std::uint8_t *values, std::int32_t count) {
        const std::int64_t start = std::max<std::int64_t>(column, 0);
        const std::int64_t end = std::min<std::int64_t>(column + count, bitmap->width);
        if (start < end && on_image())
            std::memcpy(&row[static_cast<std::size_t>(start)], values + (start - column), static_cast<std::size_t>(end - start));
        column += count;
    }

    // An encoded 8-bit run: one fill of the part that lies on the row.
    void fill(std::uint8_t value, std::int32_t count) {
        const std::int64_t end = std::min<std::int64_t>(column + count, bitmap->width);
        if (column < end && on_image())
            std::memset(&row[static_cast<std::size_t>(column)], value, static_cast<std::size_t>(end - column));
        column += count;
    }
};

ErrorRecord *decode_rle(FileStream *in, Bitmap *bitmap, bool four_bit) {
    RlePainter painter{bitmap, bitmap->height - 1, 0, four_bit};
    // Every pass of the loop consumes at least one byte, so the file's end ends it.
    while (painter.y >= 0) {
        std::int32_t count = 0, value = 0;
        if (ErrorRecord *error = stream_read_byte(in, &count)) return error;
        if (count < 0) break;
        if (count > 0) {
            if (ErrorRecord *error = stream_read_byte(in, &value)) return error;
            if (value < 0) break;
            if (!four_bit) {
                painter.fill(static_cast<std::uint8_t>(value), count);
                continue;
            }
            for (std::int32_t i = 0; i < count; ++i)
                painter.put(static_cast<std::uint32_t>(i % 2 == 0 ? value >> 4 : value & 0xF));
            continue;
        }
        std::int32_t escape = 0;
        if (ErrorRecord *error = stream_read_byte(in, &escape)) return error;
        if (escape < 0 || escape == 1) break;
        if (escape == 0) {
            --painter.y;
            painter.column = 0;
        } else if (escape == 2) {
            std::int32_t dx = 0, dy = 0;
            if (ErrorRecord *error = stream_read_byte(in, &dx)) return error;
            if (ErrorRecord *error = stream_read_byte(in, &dy)) return error;
            if (dx < 0 || dy < 0) break;
            painter.column += dx;
            painter.y -= dy;
        } else {
            const std::int32_t bytes = four_bit ? (escape + 1) / 2 : escape;
            if (!four_bit) {
                // An absolute 8-bit run: read whole, copy what lies on the row.
                std::array<std::uint8_t, 256> run{};
                std::int32_t got = 0;
                if (ErrorRecord *error = stream_read(in, run.data(), bytes + bytes % 2, &got)) return error;
                painter.copy(run.data(), std::min(got, bytes));
                if (got < bytes + bytes % 2) break;
                continue;
            }
            bool ended = false;
            for (std::int32_t i = 0; i < escape && !ended; ++i) {
                if (four_bit && i % 2 == 1) {
                    painter.put(static_cast<std::uint32_t>(value & 0xF));
                    continue;
                }
                if (ErrorRecord *error = stream_read_byte(in, &value)) return error;
                if (value < 0) {
                    ended = true;
                    break;
                }
                painter.put(four_bit ? static_cast<std::uint32_t>(value) >> 4 : static_cast<std::uint32_t>(value));
            }
            if (ended) break;
            if (bytes % 2 == 1) {
                std::int32_t pad = 0;
                if (ErrorRecord *error = stream_read_byte(in, &pad)) return error;
            }
        }
    }
    return nullptr;
}

ErrorRecord *read_image(FileStream *in) {
    BmpState state;
    std::uint32_t data_offset = 0;
    if (ErrorRecord *error = read_headers(in, state, &data_offset)) return error;
    if (state.depth > 32) return error_from_code(kErrorBadBits);
    if (!is_sprite_depth(state.depth)) return error_from_code(kErrorMode);

    Bitmap *bitmap = nullptr;
    if (ErrorRecord *error = sprite_entry_create(&sprite_list, "BMP", state.width, state.height, state.depth,
                                                 state.xdpi, state.ydpi, &bitmap))
        return error;
    bitmap->palette_count = state.palette_count;
    std::copy(state.palette.begin(), state.palette.end(), bitmap->palette);

    std::int64_t position = 0;
    stream_tell(in, &position);
    if (position < data_offset) stream_seek(in, data_offset);

    const auto compression = static_cast<Compression>(state.compression);
    if (state.os2 || compression == Compression::none || compression == Compression::bit_fields)
        return decode_uncompressed(in, bitmap, state);
    // Run-length data is decoded only at the depth it is made for.
    if (compression == Compression::rle8 && state.depth == 8) return decode_rle(in, bitmap, false);
    if (compression == Compression::rle4 && state.depth == 4) return decode_rle(in, bitmap, true);
    return nullptr; // embedded JPEG or PNG and the like: the pixels stay 0
}

} // namespace

ErrorRecord *bmp_read(const char *path) {
    FileStream in;
    if (ErrorRecord *error = stream_open(path, 'r', kStreamBufferSize, &in)) return error;
    return stream_close(&in, read_image(&in));
}

const FilterProgram kBmploadProgram{"Syntax: Bmpload <input file> <output file>\r\n", "VIVOZ", bmp_read, false};
