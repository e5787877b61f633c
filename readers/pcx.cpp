// PCX reader. Decodes the run-length encoded lines of a PCX file straight into
// sprite rows: packed 1, 2, 4 and 8 bit pixels, one-bit planes combined into
// 2 or 4 bit pixels, three 8-bit planes into 24-bit colour, and four (red,
// green, blue, alpha) into 32-bit colour without the alpha.
//
// Failure policy:
// - rejected: a file shorter than the 128-byte header ("{ERD}"); a depth of 0
//   or (for a layout that is decoded) bytes per line of zero or less (plain
//   texts naming the field); a width or height of zero or less, and sizes and
//   depths the sprite area refuses (its own messages).
// - tolerated: the manufacturer byte is not checked; an encoding byte of 0
//   means lines stored without runs, any other value run-length lines; a file
//   that ends inside the image data is completed with 0xFF bytes; bytes of a
//   line beyond what a row holds are dropped; runs may cross line ends; a
//   missing or unreadable trailing palette, or a failed file-size query,
//   leaves the header's palette in use. Layouts other than those above are
//   created at their depth and left at 0.
#include "readers/pcx.h"

#include "framework/bytes.h"
#include "framework/sprite.h"
#include "framework/stream.h"

#include <algorithm>
#include <array>
#include <cstring>

const std::uint8_t pcx_default_palette[16][3] = {
    {0, 0, 0},     {0, 0, 255},    {0, 255, 0},    {0, 255, 255},  {255, 0, 0},   {255, 0, 255},
    {255, 255, 0}, {255, 255, 255}, {85, 85, 255},  {85, 85, 85},   {0, 170, 0},   {170, 0, 0},
    {85, 255, 255}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255},
};

namespace {

constexpr std::int32_t kHeaderSize = 128;
// Header fields, from the file's start. The 16-bit ones are signed.
constexpr std::size_t kPcxVersion = 1;
constexpr std::size_t kPcxEncoding = 2; // 0: lines stored as they are
constexpr std::size_t kPcxBitsPerPixel = 3;
constexpr std::size_t kPcxXmin = 4;
constexpr std::size_t kPcxYmin = 6;
constexpr std::size_t kPcxXmax = 8;
constexpr std::size_t kPcxYmax = 10;
constexpr std::size_t kPcxColourMap = 16; // 16 red, green, blue triples
constexpr std::size_t kPcxPlanes = 65;
constexpr std::size_t kPcxBytesPerLine = 66;
constexpr std::uint8_t kPaletteMarker = 12;
constexpr std::int32_t kTrailingPaletteSize = 769; // marker 12 and 256 red, green, blue triples
constexpr std::int32_t kPcxDpi = 96;

enum class PcxLayout { none, packed, planar2, planar4, rgb24, rgb32 };

struct PcxHeader {
    std::uint8_t version;
    bool run_length; // lines of runs, or stored as they are
    std::int32_t bits_per_pixel;
    std::int32_t planes;
    std::int32_t width;
    std::int32_t height;
    std::int32_t bytes_per_line;
    const std::uint8_t *colour_map; // 16 red, green, blue triples
};

// A 16-bit signed field of the fixed-size header.
std::int32_t header_s16(const std::uint8_t (&header)[kHeaderSize], std::size_t at) {
    std::uint16_t value = 0;
    readU16(header, at, value);
    return static_cast<std::int16_t>(value);
}

struct Tables {
    std::uint8_t reverse1[256]; // bit i to bit 7 - i
    std::uint8_t reverse2[256]; // 2-bit fields in reverse order
    std::uint8_t swap4[256];    // nibbles exchanged
    std::uint8_t identity[256];
    std::uint8_t spread4[256][4]; // 8 one-bit pixels to four bytes of nibbles, left pixel low
    std::uint8_t spread2[256][2]; // 8 one-bit pixels to two bytes of 2-bit fields, left pixel low
};

constexpr Tables make_tables() {
    Tables t{};
    for (int v = 0; v < 256; ++v) {
        int r1 = 0;
        for (int i = 0; i < 8; ++i)
            if (v & (1 << i)) r1 |= 1 << (7 - i);
        t.reverse1[v] = static_cast<std::uint8_t>(r1);
        t.reverse2[v] = static_cast<std::uint8_t>((v >> 6 & 3) | (v >> 2 & 0x0C) | (v << 2 & 0x30) | (v << 6 & 0xC0));
        t.swap4[v] = static_cast<std::uint8_t>((v >> 4) | (v << 4 & 0xF0));
        t.identity[v] = static_cast<std::uint8_t>(v);
        for (int j = 0; j < 8; ++j) {
            if (!(v & (0x80 >> j))) continue;
            t.spread4[v][j / 2] = static_cast<std::uint8_t>(t.spread4[v][j / 2] | (j % 2 ? 0x10 : 0x01));
            t.spread2[v][j / 4] = static_cast<std::uint8_t>(t.spread2[v][j / 4] | 1 << (2 * (j % 4)));
        }
    }
    return t;
}

constexpr Tables kTables = make_tables();

// Where decoded bytes go: the current row, plane and byte within the line.
struct LineWriter {
    Bitmap *image;
    PcxLayout layout;
    const std::uint8_t *translate; // packed layouts
    std::int32_t bytes_per_line;
    std::int32_t lines_per_row;
    std::int32_t height;
    std::int32_t width;
    std::int32_t row;
    std::int32_t plane;
    std::int32_t column;
    std::uint8_t *row_bytes;
    std::int64_t row_length; // bytes in the row window
    std::int64_t short_line; // bytes of a line that land in the row: min(bytes per line, row length)
};

// Stores `count` copies of the decoded byte `value` from the writer's column
// on, within the current line and cut to what the row holds.
template <PcxLayout L> inline void put_bytes(LineWriter *w, std::int64_t count, std::uint8_t value) {
    const std::int64_t from = w->column;
    const std::int64_t to = from + count;
    std::uint8_t *row = w->row_bytes;
    if constexpr (L == PcxLayout::packed) {
        std::int64_t end = std::min(to, w->row_length);
        const std::uint8_t byte = w->translate[value];
        if (end - from == 1) {
            row[from] = byte; // most runs are single bytes
        } else if (end - from <= 16 && from + 16 <= w->short_line) {
            // Short runs: two 8-byte stores. Bytes past the run stay inside this
            // line of the row, and the next runs overwrite them.
            const std::uint64_t pattern = 0x0101010101010101ull * byte;
            std::memcpy(row + from, &pattern, 8);
            if (end - from > 8) std::memcpy(row + end - 8, &pattern, 8);
        } else if (from < end) {
            std::memset(row + from, byte, static_cast<std::size_t>(end - from));
        }
    } else if constexpr (L == PcxLayout::planar4) {
        const int plane = w->plane;
        const std::uint8_t *spread = kTables.spread4[value];
        std::int64_t end = std::min(to, w->row_length / 4);
        for (std::int64_t c = from; c < end; ++c)
            for (int b = 0; b < 4; ++b) row[c * 4 + b] = static_cast<std::uint8_t>(row[c * 4 + b] | spread[b] << plane);
    } else if constexpr (L == PcxLayout::planar2) {
        const int plane = w->plane;
        const std::uint8_t *spread = kTables.spread2[value];
        std::int64_t end = std::min(to, w->row_length / 2);
        for (std::int64_t c = from; c < end; ++c)
            for (int b = 0; b < 2; ++b) row[c * 2 + b] = static_cast<std::uint8_t>(row[c * 2 + b] | spread[b] << plane);
    } else if constexpr (L == PcxLayout::rgb24) {
        std::int64_t end = std::min<std::int64_t>(to, w->width);
        for (std::int64_t c = from; c < end; ++c) row[c * 3 + w->plane] = value;
    } else if constexpr (L == PcxLayout::rgb32) {
        if (w->plane == 3) return; // the sprite keeps no alpha: its fourth byte stays 0
        std::int64_t end = std::min<std::int64_t>(to, w->width);
        for (std::int64_t c = from; c < end; ++c) row[c * 4 + w->plane] = value;
    }
}

// Feeds a run into the lines; false once the last row is finished.
template <PcxLayout L> inline bool write_run(LineWriter *w, std::int64_t count, std::uint8_t value) {
    while (count > 0) {
        std::int64_t here = std::min<std::int64_t>(count, w->bytes_per_line - w->column);
        put_bytes<L>(w, here, value);
        count -= here;
        w->column += static_cast<std::int32_t>(here);
        if (w->column < w->bytes_per_line) continue;
        w->column = 0;
        if (++w->plane < w->lines_per_row) continue;
        w->plane = 0;
        if (++w->row >= w->height) return false;
        w->row_bytes = bitmap_row_bytes(w->image, w->row).data();
    }
    return true;
}

// The encoded data, taken from the stream a buffer at a time.
struct ByteSource {
    FileStream *stream;
    bool run_length; // false: every byte stands for itself
    ErrorRecord *error;
    std::int32_t length;
    std::int32_t position;
    std::uint8_t bytes[4096];
};

// The next byte, or -1 at the end of the file or after a read failure.
int refill(ByteSource *source) {
    if (source->error != nullptr) return -1;
    source->error = stream_read(source->stream, source->bytes, sizeof source->bytes, &source->length);
    source->position = 0;
    if (source->error != nullptr || source->length <= 0) {
        source->length = 0;
        return -1;
    }
    return source->bytes[source->position++];
}

inline int next_byte(ByteSource *source) {
    if (source->position < source->length) return source->bytes[source->position++];
    return refill(source);
}

// One run: a byte with both top bits set gives a count (its low six bits) for
// the byte after it; any other byte stands for itself. The end of the file
// reads as a marker (count 63, value 0xFF), so a cut file ends in 0xFF bytes.
inline void pcx_read_run(ByteSource *source, std::int32_t *count, std::int32_t *value, bool *at_end) {
    int b = next_byte(source);
    if (b < 0) {
        *at_end = true;
        *count = 63;
        *value = 0xFF;
        return;
    }
    if (!source->run_length || (b & 0xC0) != 0xC0) {
        *count = 1;
        *value = b;
        return;
    }
    *count = b & 0x3F;
    *value = next_byte(source) & 0xFF; // the end of the file here reads as 0xFF too
}

// Packed pixels, the common case: runs that stay inside the current line are
// taken straight from the buffered bytes with the line state in locals.
// Returns false once the last row is finished.
bool decode_packed_buffered(ByteSource *source, LineWriter *w) {
    const std::uint8_t *p = source->bytes + source->position;
    const std::uint8_t *const end = source->bytes + source->length;
    const std::int32_t bytes_per_line = w->bytes_per_line;
    const std::int64_t window = w->short_line;
    const std::uint8_t *const translate = w->translate;
    const std::uint8_t run_marker = source->run_length ? 0xC0 : 0x00; // no byte is a marker in stored lines
    std::uint8_t *row = w->row_bytes;
    std::int32_t column = w->column;
    bool more = true;
    while (end - p >= 2) {
        std::int32_t b = *p;
        std::int32_t count = 1;
        std::int32_t value = b;
        if (run_marker != 0 && (b & run_marker) == run_marker) {
            count = b & 0x3F;
            value = p[1];
            p += 2;
        } else {
            p += 1;
        }
        if (column + count < bytes_per_line && column + 16 <= window) {
            const std::uint8_t byte = translate[value];
            if (count == 1) {
                row[column] = byte;
            } else if (count <= 16) {
                // Bytes past the run stay inside this line of the row; the next runs overwrite them.
                const std::uint64_t pattern = 0x0101010101010101ull * byte;
                std::memcpy(row + column, &pattern, 8);
                if (count > 8) std::memcpy(row + column + count - 8, &pattern, 8);
            } else {
                w->column = column;
                put_bytes<PcxLayout::packed>(w, count, static_cast<std::uint8_t>(value));
            }
            column += count;
            continue;
        }
        w->column = column;
        more = write_run<PcxLayout::packed>(w, count, static_cast<std::uint8_t>(value));
        column = w->column;
        row = w->row_bytes;
        if (!more) break;
    }
    w->column = column;
    source->position = static_cast<std::int32_t>(p - source->bytes);
    return more;
}

template <PcxLayout L> ErrorRecord *decode_pixels(ByteSource *source, LineWriter *w) {
    for (;;) {
        if constexpr (L == PcxLayout::packed) {
            if (!decode_packed_buffered(source, w)) return nullptr;
        }
        std::int32_t count = 0;
        std::int32_t value = 0;
        bool at_end = false;
        pcx_read_run(source, &count, &value, &at_end);
        if (source->error != nullptr) return source->error;
        if (at_end) {
            // Every further run would be 0xFF as well: fill to the last row at once.
            while (write_run<L>(w, static_cast<std::int64_t>(w->bytes_per_line) - w->column, 0xFF)) {
            }
            return nullptr;
        }
        if (w->column + count < w->bytes_per_line) {
            // The run ends inside the current line: no line or row to change.
            put_bytes<L>(w, count, static_cast<std::uint8_t>(value));
            w->column += count;
            continue;
        }
        if (!write_run<L>(w, count, static_cast<std::uint8_t>(value))) return nullptr;
    }
}

ErrorRecord *decode_layout(FileStream *stream, bool run_length, LineWriter *w) {
    static ByteSource source;
    source = ByteSource{stream, run_length, nullptr, 0, 0, {}};
    switch (w->layout) {
    case PcxLayout::packed: return decode_pixels<PcxLayout::packed>(&source, w);
    case PcxLayout::planar2: return decode_pixels<PcxLayout::planar2>(&source, w);
    case PcxLayout::planar4: return decode_pixels<PcxLayout::planar4>(&source, w);
    case PcxLayout::rgb24: return decode_pixels<PcxLayout::rgb24>(&source, w);
    case PcxLayout::rgb32: return decode_pixels<PcxLayout::rgb32>(&source, w);
    case PcxLayout::none: return nullptr;
    }
    return nullptr;
}

PcxLayout layout_for(const PcxHeader &h, std::int32_t depth) {
    if (depth == 1 || depth == 8) return PcxLayout::packed;
    if (depth == 2) return h.planes == 2 && h.bits_per_pixel == 1 ? PcxLayout::planar2 : PcxLayout::packed;
    if (depth == 4) return h.planes >= 2 ? PcxLayout::planar4 : PcxLayout::packed;
    if (depth == 24 && h.bits_per_pixel == 8 && h.planes == 3) return PcxLayout::rgb24;
    if (depth == 32 && h.bits_per_pixel == 8 && h.planes == 4) return PcxLayout::rgb32;
    return PcxLayout::none;
}

const std::uint8_t *translation_for(std::int32_t depth) {
    switch (depth) {
    case 1: return kTables.reverse1;
    case 2: return kTables.reverse2;
    case 4: return kTables.swap4;
    default: return kTables.identity;
    }
}

ErrorRecord *pcx_decode(SpriteList *list, FileStream *stream, const FileInfo &info) {
    std::uint8_t header[kHeaderSize];
    if (ErrorRecord *error = stream_read_exact(stream, header, kHeaderSize)) return error;
    PcxHeader h{};
    h.version = header[kPcxVersion];
    h.run_length = header[kPcxEncoding] != 0;
    h.bits_per_pixel = header[kPcxBitsPerPixel];
    h.planes = header[kPcxPlanes];
    h.width = header_s16(header, kPcxXmax) - header_s16(header, kPcxXmin) + 1;
    h.height = header_s16(header, kPcxYmax) - header_s16(header, kPcxYmin) + 1;
    h.bytes_per_line = header_s16(header, kPcxBytesPerLine);
    h.colour_map = header + kPcxColourMap;

    std::int32_t depth = h.bits_per_pixel * h.planes;
    if (depth == 3) depth = 4;
    if (depth == 0) return error_from_format(0, "Bad PCX header: 0 bits per pixel.");
    PcxLayout layout = layout_for(h, depth);
    if (layout != PcxLayout::none && h.bytes_per_line <= 0)
        return error_from_format(0, "Bad PCX header: %d bytes per line.", static_cast<int>(h.bytes_per_line));

    std::int32_t colours = depth == 1 ? 2 : 16;
    const std::uint8_t *source = h.colour_map;
    std::uint8_t trailing[kTrailingPaletteSize];
    if (h.version == 5 && info.kind != FileKind::missing && info.size > kTrailingPaletteSize) {
        stream_seek(stream, std::int64_t{info.size} - kTrailingPaletteSize);
        std::int32_t got = 0;
        if (stream_read(stream, trailing, kTrailingPaletteSize, &got) == nullptr && got == kTrailingPaletteSize &&
            trailing[0] == kPaletteMarker) {
            colours = 256;
            source = trailing + 1;
        }
    }

    Bitmap *image = nullptr;
    if (ErrorRecord *error = sprite_entry_create(list, "PCX", h.width, h.height, depth, kPcxDpi, kPcxDpi, &image))
        return error;
    image->palette_count = colours;
    bool any_colour = false;
    for (std::int32_t i = 0; i < colours; ++i) {
        const std::uint8_t *rgb = source + i * 3;
        image->palette[i] = palette_word(rgb[0], rgb[1], rgb[2]);
        any_colour = any_colour || image->palette[i] != 0;
    }
    bool usable = h.version != 0 && h.version != 1 && h.version != 3 && any_colour;
    if (!usable && colours <= 16) {
        if (depth == 1) {
            image->palette[0] = 0x00000000;
            image->palette[1] = 0xFFFFFF00;
        } else {
            for (std::int32_t i = 0; i < colours; ++i) {
                const std::uint8_t *rgb = pcx_default_palette[i];
                image->palette[i] = palette_word(rgb[0], rgb[1], rgb[2]);
            }
        }
    }

    if (layout == PcxLayout::none) return nullptr;
    stream_seek(stream, kHeaderSize);
    LineWriter w{};
    w.image = image;
    w.layout = layout;
    w.translate = translation_for(depth);
    w.bytes_per_line = h.bytes_per_line;
    w.lines_per_row = layout == PcxLayout::packed ? 1 : h.planes;
    w.height = h.height;
    w.width = h.width;
    auto row = bitmap_row_bytes(image, 0);
    w.row_bytes = row.data();
    w.row_length = static_cast<std::int64_t>(row.size());
    w.short_line = std::min<std::int64_t>(w.row_length, w.bytes_per_line);
    return decode_layout(stream, h.run_length, &w);
}

} // namespace

ErrorRecord *pcx_read(const char *path) {
    FileInfo info = file_info(path);
    FileStream stream{};
    if (ErrorRecord *error = stream_open(path, 'r', kStreamBufferSize, &stream)) return error;
    ErrorRecord *error = pcx_decode(&sprite_list, &stream, info);
    return stream_close(&stream, error);
}

const FilterProgram kPcxloadProgram{"Syntax: Pcxload <input file> <output file>\r\n", "VOVID", pcx_read, true};
