// GIF reader. Walks the block structure, decodes the first image's LZW data
// straight into sprite rows (with a 1 bpp mask when a graphic control block
// names a transparent colour) and registers the later images without pixels.
//
// Failure policy:
// - rejected: a signature other than "GIF87a"/"GIF89a" ("{ENOTTYPE}"); a file
//   with no image before its trailer or end (plain text); an LZW minimum code
//   size above 11, a code beyond the next free table entry, or a first code
//   after a clear that is not a pixel ("{ECR}"); the end of the file where a
//   data sub-block size is due ("{ECR}"); a short sub-block, header field or
//   descriptor ("{ERD}"); sizes the sprite area refuses.
// - tolerated: image data that ends (end code or empty sub-block) before the
//   last row leaves the rest at colour 0, transparent in the mask; data past the
//   last row is skipped; pixel values beyond the image's depth are cut to it;
//   a graphic control block shorter than 4 bytes gives transparent index 0,
//   a longer one has its excess skipped; a table that fills without a clear
//   code stops growing until the next clear.
#include "readers/gif.h"

#include "framework/memory.h"
#include "framework/sprite.h"
#include "framework/stream.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::int32_t kGifExtraSize = sizeof(GifImageInfo);
constexpr int kTableSize = 4096;
constexpr int kMaxCodeWidth = 12;
constexpr int kMaxMinimumCodeSize = 11;
constexpr std::int32_t kGifDpi = 96;

// Block introducers and extension labels.
enum GifBlockByte : std::int32_t {
    kImageSeparator = 0x2C,
    kExtensionIntroducer = 0x21,
    kTrailer = 0x3B,
    kGraphicControlLabel = 0xF9,
    kCommentLabel = 0xFE,
    kPlainTextLabel = 0x01,
    kApplicationLabel = 0xFF,
};

// Bits of the descriptors' packed bytes and of the graphic control block's flags.
enum GifFlag : std::uint8_t {
    kColourTableFlag = 0x80,
    kInterlacedFlag = 0x40,
    kTableSizeBits = 0x07, // 2^(n + 1) entries
    kTransparentFlag = 0x01,
};

// The working record that the block scanner fills, and the global table.
GifImageInfo working;
std::uint32_t global_palette[256];
std::int32_t global_colour_count;

// Interlaced rows come in four passes: first row and step of each.
constexpr int kPassFirstRow[4] = {0, 4, 2, 1};
constexpr int kPassStep[4] = {8, 8, 4, 2};

enum class DecodeEnd { running, end_of_data, image_complete };

// Codes are read least significant bit first from the concatenated data
// sub-blocks; each sub-block is read whole into `block`.
struct CodeReader {
    FileStream *stream;
    std::uint8_t block[256];
    int block_length;
    int block_position;
    std::uint32_t bits;
    int bit_count;
    bool terminator_read; // the empty sub-block that ends the data was consumed
};

struct PixelWriter {
    Bitmap *image;
    Bitmap *mask;
    int bpp_shift; // log2 of the bits per pixel
    std::uint32_t value_mask;
    std::int32_t width;
    std::int32_t height;
    std::int32_t row;
    std::int32_t column;
    int pass;
    bool interlaced;
    std::int32_t transparent_index;
    std::uint8_t *image_row;
    std::uint8_t *mask_row;
};

ErrorRecord *read_colour_table(FileStream *stream, std::int32_t count, std::uint32_t *palette) {
    std::uint8_t rgb[256 * 3];
    if (ErrorRecord *error = stream_read_exact(stream, rgb, count * 3)) return error;
    for (std::int32_t i = 0; i < count; ++i) palette[i] = palette_word(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
    return nullptr;
}

ErrorRecord *read_byte(FileStream *stream, std::int32_t *value) { return stream_read_byte(stream, value); }

// Skips a chain of data sub-blocks up to its empty terminator; the end of the
// file ends the chain too, so damaged data cannot keep it going.
ErrorRecord *gif_skip_sub_blocks(FileStream *stream) {
    for (;;) {
        std::int32_t size = 0;
        if (ErrorRecord *error = read_byte(stream, &size)) return error;
        if (size <= 0) return nullptr;
        stream_skip(stream, size);
    }
}

ErrorRecord *gif_read_header(FileStream *stream) {
    char signature[6];
    std::int32_t got = 0;
    if (ErrorRecord *error = stream_read(stream, signature, 6, &got)) return error;
    if (got != 6 || (std::memcmp(signature, "GIF87a", 6) != 0 && std::memcmp(signature, "GIF89a", 6) != 0))
        return error_from_code(kErrorNotType);
    std::uint32_t screen_width = 0;
    std::uint32_t screen_height = 0;
    if (ErrorRecord *error = stream_read_half(stream, &screen_width)) return error;
    if (ErrorRecord *error = stream_read_half(stream, &screen_height)) return error;
    std::uint8_t packed[3]; // flags, background index, aspect ratio
    if (ErrorRecord *error = stream_read_exact(stream, packed, 3)) return error;
    global_colour_count = 1 << ((packed[0] & kTableSizeBits) + 1);
    std::memset(global_palette, 0, sizeof global_palette);
    if (packed[0] & kColourTableFlag) return read_colour_table(stream, global_colour_count, global_palette);
    return nullptr;
}

// Reads the graphic control block: only its first (flags) and fourth
// (transparent index) bytes matter; a shorter block leaves the index 0.
ErrorRecord *read_graphic_control(FileStream *stream) {
    std::int32_t size = 0;
    if (ErrorRecord *error = read_byte(stream, &size)) return error;
    if (size < 0) return nullptr;
    std::uint8_t block[4] = {};
    std::int32_t kept = size < 4 ? size : 4;
    if (ErrorRecord *error = stream_read_exact(stream, block, kept)) return error;
    stream_skip(stream, size - kept);
    working.has_transparency = kept >= 1 ? block[0] & kTransparentFlag : 0;
    working.transparent_index = block[3];
    return gif_skip_sub_blocks(stream);
}

ErrorRecord *register_image(SpriteList *list) {
    std::int32_t index = 0;
    if (ErrorRecord *error = sprite_entry_add(list, "GIF", working.width, working.height,
                                              gif_depth_for_colours(working.colour_count), kGifDpi, kGifDpi,
                                              kGifExtraSize, &index))
        return error;
    std::memcpy(list->extra + static_cast<std::size_t>(index) * kGifExtraSize, &working, kGifExtraSize);
    return nullptr;
}

// Reads blocks up to and including the next image descriptor and its local
// table. `registered` tells whether an entry was added for it.
ErrorRecord *gif_scan_to_image(SpriteList *list, FileStream *stream, bool *at_end, bool *registered) {
    std::memset(&working, 0, sizeof working);
    *at_end = false;
    *registered = false;
    bool extension = false;
    for (;;) {
        std::int32_t b = 0;
        if (ErrorRecord *error = read_byte(stream, &b)) return error;
        if (b == kTrailer || b < 0) {
            *at_end = true;
            return nullptr;
        }
        if (b == kImageSeparator) break;
        if (b == kExtensionIntroducer) {
            extension = true;
            continue;
        }
        if (!extension) continue;
        if (b == kApplicationLabel || b == kPlainTextLabel) {
            std::int32_t size = 0;
            if (ErrorRecord *error = read_byte(stream, &size)) return error;
            if (size > 0) stream_skip(stream, size);
            if (ErrorRecord *error = gif_skip_sub_blocks(stream)) return error;
            extension = false;
        } else if (b == kCommentLabel) {
            if (ErrorRecord *error = gif_skip_sub_blocks(stream)) return error;
            extension = false;
        } else if (b == kGraphicControlLabel) {
            if (ErrorRecord *error = read_graphic_control(stream)) return error;
            extension = false;
        }
    }

    std::uint32_t fields[4];
    for (std::uint32_t &field : fields)
        if (ErrorRecord *error = stream_read_half(stream, &field)) return error;
    std::uint8_t flags = 0;
    if (ErrorRecord *error = stream_read_exact(stream, &flags, 1)) return error;
    working.left = static_cast<std::int32_t>(fields[0]);
    working.top = static_cast<std::int32_t>(fields[1]);
    working.width = static_cast<std::int32_t>(fields[2]);
    working.height = static_cast<std::int32_t>(fields[3]);
    working.flags = flags;
    if (flags & kColourTableFlag) {
        working.colour_count = 1 << ((flags & kTableSizeBits) + 1);
        if (ErrorRecord *error = read_colour_table(stream, working.colour_count, working.palette)) return error;
    } else {
        working.colour_count = global_colour_count;
        std::memcpy(working.palette, global_palette, sizeof(std::uint32_t) * global_colour_count);
    }
    if (list->count >= kGifMaxEntries) return nullptr;
    *registered = true;
    return register_image(list);
}

ErrorRecord *gif_prepare_image(SpriteList *list, std::int32_t index, PixelWriter *writer) {
    std::memcpy(&working, list->extra + static_cast<std::size_t>(index) * kGifExtraSize, kGifExtraSize);
    SpriteEntry &entry = list->entries[index];
    bool masked = working.has_transparency != 0;
    if (ErrorRecord *error = sprite_entry_create_image(&entry, masked ? 1 : 0)) return error;
    Bitmap *image = entry.image->image;
    image->palette_count = working.colour_count;
    std::memcpy(image->palette, working.palette, sizeof(std::uint32_t) * working.colour_count);

    *writer = PixelWriter{};
    writer->image = image;
    writer->mask = masked ? entry.image->mask : nullptr;
    writer->bpp_shift = entry.bpp == 1 ? 0 : entry.bpp == 2 ? 1 : entry.bpp == 4 ? 2 : 3;
    writer->value_mask = (1u << (1 << writer->bpp_shift)) - 1;
    writer->width = entry.width;
    writer->height = entry.height;
    writer->interlaced = (working.flags & kInterlacedFlag) != 0;
    writer->transparent_index = working.transparent_index;
    writer->image_row = bitmap_row_bytes(image, 0).data();
    writer->mask_row = masked ? bitmap_row_bytes(writer->mask, 0).data() : nullptr;
    return nullptr;
}

// Moves the writer to the next row in file order; false once the last row is done.
bool next_row(PixelWriter *writer) {
    writer->column = 0;
    if (!writer->interlaced) {
        ++writer->row;
    } else {
        writer->row += kPassStep[writer->pass];
        while (writer->row >= writer->height && writer->pass < 3) {
            ++writer->pass;
            writer->row = kPassFirstRow[writer->pass];
        }
    }
    if (writer->row >= writer->height) return false;
    writer->image_row = bitmap_row_bytes(writer->image, writer->row).data();
    if (writer->mask) writer->mask_row = bitmap_row_bytes(writer->mask, writer->row).data();
    return true;
}

// Writes pixels in file order, a row's share at a time; false once the image
// is complete.
bool emit_pixels(PixelWriter *writer, const std::uint16_t *pixels, int count) {
    while (count > 0) {
        const std::int32_t x0 = writer->column;
        const int n = static_cast<int>(std::min<std::int64_t>(count, writer->width - x0));
        std::uint8_t *row = writer->image_row;
        if (writer->bpp_shift == 3) {
            for (int i = 0; i < n; ++i) row[x0 + i] = static_cast<std::uint8_t>(pixels[i]);
        } else {
            for (int i = 0; i < n; ++i) {
                std::uint32_t bit = static_cast<std::uint32_t>(x0 + i) << writer->bpp_shift;
                row[bit >> 3] = static_cast<std::uint8_t>(row[bit >> 3] | (pixels[i] & writer->value_mask) << (bit & 7));
            }
        }
        if (writer->mask) {
            for (int i = 0; i < n; ++i) {
                std::int32_t x = x0 + i;
                if ((pixels[i] & writer->value_mask) != static_cast<std::uint32_t>(writer->transparent_index))
                    writer->mask_row[x >> 3] = static_cast<std::uint8_t>(writer->mask_row[x >> 3] | 1u << (x & 7));
            }
        }
        pixels += n;
        count -= n;
        writer->column = x0 + n;
        if (writer->column == writer->width && !next_row(writer)) return false;
    }
    return true;
}

// Takes the next data byte, reading the next sub-block when the current one
// is used up. An empty sub-block ends the data.
ErrorRecord *fetch_byte(CodeReader *reader, bool *ended, std::uint8_t *byte) {
    if (reader->block_position >= reader->block_length) {
        if (reader->terminator_read) {
            *ended = true;
            return nullptr;
        }
        std::int32_t size = 0;
        if (ErrorRecord *error = read_byte(reader->stream, &size)) return error;
        if (size < 0) return error_from_code(kErrorCorrupt);
        if (size == 0) {
            reader->terminator_read = true;
            *ended = true;
            return nullptr;
        }
        if (ErrorRecord *error = stream_read_exact(reader->stream, reader->block, size)) return error;
        reader->block_length = size;
        reader->block_position = 0;
    }
    *byte = reader->block[reader->block_position++];
    return nullptr;
}

// A code of `width` bits, or `ended` when the data stops before it is whole.
ErrorRecord *read_code(CodeReader *reader, int width, bool *ended, int *code) {
    while (reader->bit_count < width) {
        std::uint8_t byte = 0;
        if (ErrorRecord *error = fetch_byte(reader, ended, &byte)) return error;
        if (*ended) return nullptr;
        reader->bits |= static_cast<std::uint32_t>(byte) << reader->bit_count;
        reader->bit_count += 8;
    }
    *code = static_cast<int>(reader->bits & ((1u << width) - 1));
    reader->bits >>= width;
    reader->bit_count -= width;
    return nullptr;
}

// The string table: code k stands for the string of prefix[k] followed by
// suffix[k]; length and first pixel are kept to place strings without a walk,
// and `where` remembers a place in the image that already holds the string.
struct LzwTables {
    std::uint16_t prefix[kTableSize];
    std::uint16_t suffix[kTableSize];
    std::uint16_t length[kTableSize];
    std::uint16_t first[kTableSize];
    const std::uint8_t *where[kTableSize];
};

ErrorRecord *lzw_decode(FileStream *stream, LzwTables &tables, PixelWriter *writer, DecodeEnd *end_kind,
                        CodeReader *reader) {
    std::int32_t minimum = 0;
    if (ErrorRecord *error = read_byte(stream, &minimum)) return error;
    if (minimum < 0) return error_from_code(kErrorCorrupt);
    if (minimum > kMaxMinimumCodeSize) return error_from_code(kErrorCorrupt);

    const int clear = 1 << minimum;
    const int end = clear + 1;
    const int first_free = clear + 2;
    const int root_mask = clear - 1;
    int width = minimum + 1;
    int limit = 1 << width;
    int next = first_free;
    int old = 0;
    int first_char = 0;
    bool after_clear = true; // a stream that does not begin with a clear starts as if it did
    std::uint16_t stack[kTableSize + 1];
    bool ended = false;
    for (int i = 0; i < first_free; ++i) {
        tables.length[i] = 1;
        tables.first[i] = static_cast<std::uint16_t>(i & root_mask);
        tables.where[i] = nullptr;
    }
    // 8 bpp without a mask: strings that fit in the row go straight into it,
    // copied from an earlier place that holds them when there is one.
    const bool direct = writer->bpp_shift == 3 && writer->mask == nullptr;
    const std::uint8_t *old_place = nullptr; // where the previous string went, when written directly

    for (;;) {
        int code = 0;
        if (ErrorRecord *error = read_code(reader, width, &ended, &code)) return error;
        if (ended || code == end) {
            *end_kind = DecodeEnd::end_of_data;
            return nullptr;
        }
        if (code == clear) {
            width = minimum + 1;
            limit = 1 << width;
            next = first_free;
            after_clear = true;
            continue;
        }
        if (after_clear) {
            if (code > root_mask) return error_from_code(kErrorCorrupt);
            after_clear = false;
            old = code;
            first_char = code;
            old_place = direct ? writer->image_row + writer->column : nullptr;
            std::uint16_t pixel = static_cast<std::uint16_t>(code);
            if (!emit_pixels(writer, &pixel, 1)) {
                *end_kind = DecodeEnd::image_complete;
                return nullptr;
            }
            continue;
        }
        if (code > next || (code == next && next >= kTableSize)) return error_from_code(kErrorCorrupt);

        const bool repeat = code == next; // the previous string and its own first pixel
        const int length = repeat ? tables.length[old] + 1 : tables.length[code];
        const std::uint8_t *place = nullptr;
        if (direct && writer->column + length <= writer->width) {
            std::uint8_t *start = writer->image_row + writer->column;
            const std::uint8_t *source = repeat ? old_place : tables.where[code];
            if (repeat && source != nullptr && source + tables.length[old] != start) source = nullptr;
            first_char = repeat ? first_char : tables.first[code];
            if (length == 1) {
                *start = static_cast<std::uint8_t>(code);
            } else if (source != nullptr && source + length <= start) {
                std::memcpy(start, source, static_cast<std::size_t>(length));
            } else if (source != nullptr) {
                // A repeated string overlaps its source by its last pixel: copy forwards.
                for (int i = 0; i < length; ++i) start[i] = source[i];
            } else {
                std::uint8_t *p = start + length - 1;
                int k = code;
                if (repeat) {
                    *p-- = static_cast<std::uint8_t>(first_char);
                    k = old;
                }
                while (k > root_mask && p > start) {
                    *p-- = static_cast<std::uint8_t>(tables.suffix[k]);
                    k = tables.prefix[k];
                }
                *start = static_cast<std::uint8_t>(first_char);
            }
            place = start;
            writer->column += length;
            if (writer->column == writer->width && !next_row(writer)) {
                *end_kind = DecodeEnd::image_complete;
                return nullptr;
            }
        } else {
            int top = kTableSize + 1;
            int k = code;
            if (repeat) {
                stack[--top] = static_cast<std::uint16_t>(first_char);
                k = old;
            }
            // Table entries always extend a smaller code, so the walk ends within the stack.
            while (k > root_mask && top > 1) {
                stack[--top] = tables.suffix[k];
                k = tables.prefix[k];
            }
            first_char = k & root_mask;
            stack[--top] = static_cast<std::uint16_t>(first_char);
            if (!emit_pixels(writer, stack + top, kTableSize + 1 - top)) {
                *end_kind = DecodeEnd::image_complete;
                return nullptr;
            }
        }
        if (next < kTableSize) {
            tables.prefix[next] = static_cast<std::uint16_t>(old);
            tables.suffix[next] = static_cast<std::uint16_t>(first_char);
            tables.length[next] = static_cast<std::uint16_t>(tables.length[old] + 1);
            tables.first[next] = tables.first[old];
            // The new string is the previous one and this one's first pixel: held
            // in the image when the two were written next to each other.
            bool adjacent = old_place != nullptr && place != nullptr && old_place + tables.length[old] == place;
            tables.where[next] = adjacent ? old_place : nullptr;
            ++next;
            if (next >= limit && width < kMaxCodeWidth) {
                ++width;
                limit <<= 1;
            }
        }
        old = code;
        old_place = place;
    }
}

ErrorRecord *gif_decode_image(FileStream *stream, PixelWriter *writer) {
    LzwTables *tables = nullptr;
    if (block_alloc(&tables, sizeof(LzwTables)) != nullptr) return error_from_code(kErrorMemory);
    CodeReader reader{};
    reader.stream = stream;
    DecodeEnd end_kind = DecodeEnd::running;
    ErrorRecord *error = lzw_decode(stream, *tables, writer, &end_kind, &reader);
    if (error == nullptr && !reader.terminator_read) gif_skip_sub_blocks(stream);
    block_free(&tables);
    return error;
}

ErrorRecord *gif_read_stream(SpriteList *list, FileStream *stream) {
    if (ErrorRecord *error = gif_read_header(stream)) return error;
    bool at_end = false;
    bool registered = false;
    if (ErrorRecord *error = gif_scan_to_image(list, stream, &at_end, &registered)) return error;
    if (at_end || !registered) return error_from_format(0, "The GIF file holds no image before its end.");
    std::int32_t first = list->count - 1;
    PixelWriter writer{};
    if (ErrorRecord *error = gif_prepare_image(list, first, &writer)) return error;
    if (ErrorRecord *error = gif_decode_image(stream, &writer)) return error;
    for (;;) {
        if (ErrorRecord *error = gif_scan_to_image(list, stream, &at_end, &registered)) return error;
        if (at_end) return nullptr;
        std::int32_t minimum = 0;
        if (ErrorRecord *error = read_byte(stream, &minimum)) return error;
        if (minimum < 0) return nullptr;
        if (ErrorRecord *error = gif_skip_sub_blocks(stream)) return error;
    }
}

} // namespace

std::int32_t gif_depth_for_colours(std::int32_t count) {
    int b = 0;
    while (b < 31 && (std::int64_t{2} << b) <= count) ++b;
    for (std::int32_t depth : {1, 2, 4, 8, 24})
        if (depth >= b) return depth;
    return 32;
}

ErrorRecord *gif_read(const char *path) {
    FileStream stream{};
    if (ErrorRecord *error = stream_open(path, 'r', kStreamBufferSize, &stream)) return error;
    ErrorRecord *error = gif_read_stream(&sprite_list, &stream);
    return stream_close(&stream, error);
}

const FilterProgram kGifloadProgram{"Syntax: Gifload <input file> <output file>\r\n", "VIVOZ", gif_read, false};
