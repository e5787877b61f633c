// PNG reader. libpng owns the format (signature, chunks, CRCs, inflate,
// filters, Adam7); this file feeds it from a FileStream, chooses the
// transformations and lays the decoded rows into a sprite.
//
// Failure policy: whatever libpng rejects fails as "PNG:" followed by
// libpng's message (code 1536): not a PNG file, a bad critical chunk or CRC,
// damaged or missing image data, and a file that ends early (the read
// callback reports the short read at once). An image whose bitmap breaks the
// sprite area's size limits fails through bitmap_create. libpng's warnings
// (and the ancillary-chunk faults it downgrades to warnings) are ignored.
//
// Colour: palette and grey images keep their depth (1, 2, 4 or 8 bits; 16-bit
// grey is cut to 8), colour images become 24-bit; alpha and tRNS are
// composited onto the bKGD colour, or onto black when there is none, in the
// file's own sample values: gAMA, sRGB, iCCP and cHRM are not read, so libpng
// never composites in linear light. No mask.
#include "readers/png.h"

#include "framework/memory.h"
#include "framework/sprite.h"
#include "framework/stream.h"

#include <png.h>

#include <csetjmp>

namespace {

constexpr std::int32_t kPngStreamBuffer = 131072;
constexpr std::int32_t kDefaultDpi = 90;

// Ancillary chunks the sprite has no use for. libpng passes over them
// unread instead of allocating and inflating them (a text chunk may claim a
// gigabyte). The colour-space chunks go too: with a file gamma libpng would
// composite alpha in linear light, and the sprite takes the samples as stored.
constexpr png_byte kIgnoredChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0pCAL\0sCAL\0hIST\0tIME\0"
                                      "oFFs\0eXIf\0sBIT\0cHRM\0gAMA\0sRGB\0";

// Everything the read needs after libpng has jumped back: it lives in the
// caller of decode(), so no value here is lost to longjmp.
struct PngRead {
    FileStream stream;
    png_structp png;
    png_infop info;
    png_infop end_info;
    ErrorRecord *failure;    // the first failure, set before any jump
    ErrorRecord *io_failure; // a stream failure other than a short read, kept as it is
};

void pngin_error(png_structp png, png_const_charp message) {
    auto *read = static_cast<PngRead *>(png_get_error_ptr(png));
    if (read->failure == nullptr) {
        read->failure = read->io_failure != nullptr ? read->io_failure
                                                    : error_from_format(kErrorPng, "PNG:%s", message);
    }
    png_longjmp(png, 1);
}

void pngin_warning(png_structp, png_const_charp) {}

// libpng expects its read function to deliver every byte or call png_error;
// a truncated file thus fails at the read that runs short.
void pngin_read_data(png_structp png, png_bytep data, png_size_t length) {
    auto *read = static_cast<PngRead *>(png_get_io_ptr(png));
    while (length > 0) {
        // libpng asks for at most one chunk's worth, but stream counts are 32-bit.
        const std::int32_t part = length > 0x40000000u ? 0x40000000 : static_cast<std::int32_t>(length);
        ErrorRecord *error = stream_read_exact(&read->stream, data, part);
        if (error != nullptr) {
            if (error->code != kErrorRead) read->io_failure = error;
            png_error(png, "Unexpected end of file");
        }
        data += part;
        length -= static_cast<png_size_t>(part);
    }
}

// Resolution from a pHYs chunk in pixels per metre, otherwise square 90 dpi.
void resolution(png_structp png, png_infop info, std::int32_t *xdpi, std::int32_t *ydpi) {
    *xdpi = kDefaultDpi;
    *ydpi = kDefaultDpi;
    png_uint_32 xppm = 0;
    png_uint_32 yppm = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &xppm, &yppm, &unit) == 0 || unit != PNG_RESOLUTION_METER) return;
    *xdpi = dpi_from_ppm(xppm, kDefaultDpi);
    *ydpi = dpi_from_ppm(yppm, kDefaultDpi);
}

void set_palette(png_structp png, png_infop info, Bitmap *bitmap, int colour_type) {
    if ((colour_type & PNG_COLOR_MASK_PALETTE) != 0) {
        // After png_read_update_info, so entries made transparent by tRNS
        // already hold the composited colour.
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) == 0) return;
        if (count > 256) count = 256;
        for (int i = 0; i < count; ++i) bitmap->palette[i] = palette_word(palette[i].red, palette[i].green, palette[i].blue);
        bitmap->palette_count = count;
    } else if ((colour_type & PNG_COLOR_MASK_COLOR) == 0) {
        bitmap_set_default_palette(bitmap, bitmap->bpp);
    }
}

// Runs libpng up to the last row. On a libpng failure it returns through the
// jump buffer with read->failure set; nothing here needs destroying, since
// everything acquired is held by *read.
void decode(PngRead *read) {
    png_structp png = read->png;
    png_infop info = read->info;
    if (setjmp(png_jmpbuf(png)) != 0) return;

    png_set_read_fn(png, read, pngin_read_data);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                                static_cast<int>(sizeof kIgnoredChunks / 5));
    png_read_info(png, info);

    png_color_16p file_background = nullptr;
    if (png_get_bKGD(png, info, &file_background) != 0) {
        png_set_background_fixed(png, file_background, PNG_BACKGROUND_GAMMA_FILE, 1, PNG_FP_1);
    } else {
        png_color_16 black{};
        png_set_background_fixed(png, &black, PNG_BACKGROUND_GAMMA_SCREEN, 0, PNG_FP_1);
    }
    if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
    const int passes = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE ? png_set_interlace_handling(png) : 1;
    // Sprites hold the leftmost pixel of a byte in its low bits.
    png_set_packswap(png);
    png_read_update_info(png, info);

    const int colour_type = png_get_color_type(png, info);
    const int bpp = png_get_bit_depth(png, info) * png_get_channels(png, info);
    if ((colour_type & PNG_COLOR_MASK_ALPHA) != 0 || (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 24)) {
        png_error(png, "Unsupported pixel format after transformations");
    }
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    std::int32_t xdpi = 0;
    std::int32_t ydpi = 0;
    resolution(png, info, &xdpi, &ydpi);

    // libpng keeps both sizes within 31 bits (and within its user limits).
    Bitmap *bitmap = nullptr;
    read->failure = sprite_entry_create(&sprite_list, "PNG", static_cast<std::int32_t>(width),
                                        static_cast<std::int32_t>(height), bpp, xdpi, ydpi, &bitmap);
    if (read->failure != nullptr) return;
    set_palette(png, info, bitmap, colour_type);

    // A sprite row is rowbytes rounded up to whole words, so libpng writes each
    // row straight into the bitmap; later passes of an interlaced image fill in
    // the pixels of the rows the earlier passes left there.
    if (png_get_rowbytes(png, info) > static_cast<png_size_t>(bitmap->stride) * 4) {
        png_error(png, "Row longer than the sprite row");
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (std::int32_t y = 0; y < bitmap->height; ++y) {
            png_read_row(png, reinterpret_cast<png_bytep>(bitmap_row(bitmap, y)), nullptr);
        }
    }
    png_read_end(png, read->end_info);
}

} // namespace

ErrorRecord *pngin_read(const char *path) {
    PngRead read{};
    ErrorRecord *failure = stream_open(path, 'r', kPngStreamBuffer, &read.stream);
    if (failure != nullptr) return failure;

    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, pngin_error, pngin_warning);
    if (read.png != nullptr) read.info = png_create_info_struct(read.png);
    if (read.png != nullptr) read.end_info = png_create_info_struct(read.png);
    if (read.png == nullptr || read.info == nullptr || read.end_info == nullptr) {
        read.failure = error_from_code(kErrorMemory);
    } else {
        decode(&read);
    }
    if (read.png != nullptr) png_destroy_read_struct(&read.png, &read.info, &read.end_info);
    return stream_close(&read.stream, read.failure);
}

const FilterProgram kPngloadProgram{"Syntax: Pngload <input file> <output file>\r\n", "RODEZ", pngin_read, false};
