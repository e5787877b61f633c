// Writes entry `index` of the sprite list as a Draw file: a 40-byte file
// header, one sprite object header, then the sprite with its palette, image
// rows and mask rows. All words are little-endian.
#include "framework/sprite_file.h"
#include "framework/memory.h"
#include "framework/stream.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace {

char creator_name[12] = {'V', 'I', 'V', 'O', 'Z', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

constexpr std::int64_t kDrawUnitsPerInch = 46080; // 1/180 inch x 1/256
constexpr std::uint64_t kSpriteHeaderBytes = kSpriteHeaderWords * 4;
constexpr std::uint64_t kObjectHeaderBytes = (kDrawHeaderWords - kObjectType) * 4;

std::uint32_t words_per_row(std::int32_t width, std::int32_t bpp) {
    return static_cast<std::uint32_t>((static_cast<std::int64_t>(width) * bpp + 31) / 32);
}

ErrorRecord *write_rows(FileStream *out, Bitmap *image, Bitmap *mask, std::int32_t mask_depth) {
    const std::int32_t height = image->height;
    if (image->bpp == 24) {
        // Pixels widen from red, green, blue to red, green, blue, 0.
        const std::uint32_t stride = words_per_row(image->width, 32);
        std::uint8_t *work = nullptr;
        if (ErrorRecord *error = block_alloc(&work, stride * 4)) return error;
        ErrorRecord *error = nullptr;
        for (std::int32_t y = 0; y < height && error == nullptr; ++y) {
            const std::uint8_t *in = bitmap_row_bytes(image, y).data();
            for (std::int32_t x = 0; x < image->width; ++x) {
                std::memcpy(work + x * 4, in + x * 3, 3);
                work[x * 4 + 3] = 0;
            }
            error = stream_write_exact(out, work, static_cast<std::int32_t>(stride * 4));
        }
        block_free(&work);
        if (error != nullptr) return error;
    } else {
        for (std::int32_t y = 0; y < height; ++y)
            if (ErrorRecord *error = stream_write_exact(out, bitmap_row(image, y), image->stride * 4)) return error;
    }
    if (mask == nullptr) return nullptr;
    if (mask->bpp == mask_depth) {
        for (std::int32_t y = 0; y < height; ++y)
            if (ErrorRecord *error = stream_write_exact(out, bitmap_row(mask, y), mask->stride * 4)) return error;
        return nullptr;
    }
    const std::uint32_t stride = words_per_row(image->width, mask_depth);
    std::uint32_t *work = nullptr;
    if (ErrorRecord *error = block_alloc(&work, stride * 4)) return error;
    ErrorRecord *error = nullptr;
    for (std::int32_t y = 0; y < height && error == nullptr; ++y) {
        convert_row_depth(bitmap_row(mask, y), mask->bpp, work, mask_depth, image->width);
        error = stream_write_exact(out, work, static_cast<std::int32_t>(stride * 4));
    }
    block_free(&work);
    return error;
}

} // namespace

void sprite_file_set_creator(const char *creator) {
    std::memset(creator_name, ' ', sizeof creator_name);
    std::size_t length = std::strlen(creator);
    std::memcpy(creator_name, creator, length < sizeof creator_name ? length : sizeof creator_name);
}

ErrorRecord *draw_header_fill(DrawHeader *header, std::uint32_t object_size, std::int32_t width, std::int32_t height,
                              std::int32_t xdpi, std::int32_t ydpi) {
    if (xdpi <= 0 || ydpi <= 0)
        return error_from_format(0, "Image resolution %d x %d dpi is not usable", static_cast<int>(xdpi),
                                 static_cast<int>(ydpi));
    // 64-bit products: wide images overflow 32 bits long before their box does.
    const std::int64_t x1 = static_cast<std::int64_t>(width) * kDrawUnitsPerInch / xdpi;
    const std::int64_t y1 = static_cast<std::int64_t>(height) * kDrawUnitsPerInch / ydpi;
    if (x1 > INT32_MAX || y1 > INT32_MAX)
        return error_from_format(0, "Image is too large for a Draw file (%d x %d pixels at %d x %d dpi)",
                                 static_cast<int>(width), static_cast<int>(height), static_cast<int>(xdpi),
                                 static_cast<int>(ydpi));
    std::uint32_t *w = header->words;
    std::memcpy(&w[kDrawSignature], "Draw", 4);
    w[kDrawMajorVersion] = kDrawFormatMajor;
    w[kDrawMinorVersion] = 0;
    std::memcpy(&w[kDrawCreator], creator_name, 12);
    for (std::size_t box : {kDrawBox, kObjectBox}) {
        w[box] = 0;
        w[box + 1] = 0;
        w[box + 2] = static_cast<std::uint32_t>(x1);
        w[box + 3] = static_cast<std::uint32_t>(y1);
    }
    w[kObjectType] = kDrawObjectSprite;
    w[kObjectSize] = object_size;
    return nullptr;
}

ErrorRecord *sprite_file_write(SpriteList *list, std::int32_t index, const char *path) {
    if (index < 0 || index >= list->count || list->entries[index].image == nullptr ||
        list->entries[index].image->image == nullptr)
        return error_from_format(0, "There is no image to write");
    const SpriteEntry &entry = list->entries[index];
    Bitmap *image = entry.image->image;
    Bitmap *mask = entry.image->mask;
    if (image->bpp > 32) return error_from_code(kErrorBadBits);
    if (!is_sprite_depth(image->bpp)) return error_from_code(kErrorMode);

    const std::int32_t written_bpp = image->bpp == 24 ? 32 : image->bpp;
    const std::uint64_t image_stride = words_per_row(image->width, written_bpp);
    const std::uint64_t image_bytes = image_stride * 4 * static_cast<std::uint64_t>(image->height);
    const std::uint64_t palette_bytes = image->bpp <= 8 ? (std::uint64_t{1} << image->bpp) * 8 : 0;
    const std::int32_t mask_depth = image->bpp <= 8 ? image->bpp : 1;
    const std::uint64_t mask_bytes =
        mask == nullptr ? 0 : std::uint64_t{words_per_row(image->width, mask_depth)} * 4 * static_cast<std::uint64_t>(image->height);
    const std::uint64_t sprite_size = kSpriteHeaderBytes + palette_bytes + image_bytes + mask_bytes;
    if (sizeof(DrawHeader) + sprite_size > INT32_MAX)
        return error_from_format(0, "Image is too large for a Draw file (%d x %d pixels)", static_cast<int>(image->width),
                                 static_cast<int>(image->height));

    DrawHeader header{};
    if (ErrorRecord *error = draw_header_fill(&header, static_cast<std::uint32_t>(kObjectHeaderBytes + sprite_size), image->width,
                                              image->height, image->xdpi, image->ydpi))
        return error;

    std::uint32_t sprite_header[kSpriteHeaderWords] = {};
    sprite_header[kSpriteNext] = static_cast<std::uint32_t>(sprite_size);
    char *name = reinterpret_cast<char *>(&sprite_header[kSpriteName]);
    for (int i = 0; i < 12 && entry.name[i] != '\0'; ++i)
        name[i] = entry.name[i] >= 'A' && entry.name[i] <= 'Z' ? static_cast<char>(entry.name[i] + 32) : entry.name[i];
    sprite_header[kSpriteWidthWords] = static_cast<std::uint32_t>(image_stride - 1);
    sprite_header[kSpriteHeightRows] = static_cast<std::uint32_t>(image->height - 1);
    sprite_header[kSpriteFirstBit] = 0;
    sprite_header[kSpriteLastBit] = static_cast<std::uint32_t>((static_cast<std::int64_t>(image->width) * written_bpp - 1) % 32);
    sprite_header[kSpriteImageOffset] = static_cast<std::uint32_t>(kSpriteHeaderBytes + palette_bytes);
    sprite_header[kSpriteMaskOffset] =
        static_cast<std::uint32_t>(kSpriteHeaderBytes + palette_bytes + (mask != nullptr ? image_bytes : 0));
    sprite_header[kSpriteMode] = sprite_mode_word(written_bpp, image->xdpi, image->ydpi);

    FileStream out;
    if (ErrorRecord *error = stream_open(path, 'w', kStreamBufferSize, &out)) return error;
    // The headers and palette only fill the buffer; a failure shows at a later write or the close.
    for (std::uint32_t word : header.words) stream_write_word(&out, word);
    for (std::uint32_t word : sprite_header) stream_write_word(&out, word);
    if (image->bpp <= 8) {
        for (std::int32_t i = 0; i < (1 << image->bpp); ++i) {
            std::uint32_t colour = i < image->palette_count ? image->palette[i] : 0;
            stream_write_word(&out, colour);
            stream_write_word(&out, colour);
        }
    }
    ErrorRecord *error = write_rows(&out, image, mask, mask_depth);
    return stream_close(&out, error);
}
