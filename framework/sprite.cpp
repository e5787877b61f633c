// The sprite area: bitmaps in sprite layout, default palettes, pixel order,
// depth conversion and the screen mode of a depth and resolution.
#include "framework/sprite.h"
#include "framework/memory.h"

#include <array>
#include <climits>
#include <cstdio>
#include <cstring>

SpriteList sprite_list;

namespace {

std::uint8_t *rows_of(Bitmap *bitmap) { return reinterpret_cast<std::uint8_t *>(bitmap) + sizeof(Bitmap); }

// Byte images that turn PC pixel order (leftmost in the high bits) into sprite order.
constexpr std::array<std::uint8_t, 256> make_reversal(int bpp) {
    std::array<std::uint8_t, 256> table{};
    int fields = 8 / bpp;
    int field_mask = (1 << bpp) - 1;
    for (int byte = 0; byte < 256; ++byte) {
        int reversed = 0;
        for (int f = 0; f < fields; ++f) {
            int value = (byte >> (f * bpp)) & field_mask;
            reversed |= value << ((fields - 1 - f) * bpp);
        }
        table[static_cast<std::size_t>(byte)] = static_cast<std::uint8_t>(reversed);
    }
    return table;
}
constexpr auto kReverse1 = make_reversal(1);
constexpr auto kReverse2 = make_reversal(2);
constexpr auto kReverse4 = make_reversal(4);

} // namespace

std::int32_t dpi_from_ppm(std::int64_t pixels_per_metre, std::int32_t fallback) {
    // Rounded to the nearest as MulDiv(ppm, 254, 10000) does, in 64 bits so
    // that unsigned 32-bit fields need no cast.
    if (pixels_per_metre <= 0 || pixels_per_metre > UINT32_MAX) return fallback;
    const std::int64_t dpi = (pixels_per_metre * 254 + 5000) / 10000;
    return dpi > 0 ? static_cast<std::int32_t>(dpi) : fallback;
}

std::uint64_t bitmap_stride_bytes(std::int64_t width, std::int32_t bpp) {
    if (width <= 0 || bpp <= 0) return 0;
    std::uint64_t bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bpp);
    return ((bits + 31) & ~std::uint64_t{31}) / 8;
}

ErrorRecord *bitmap_create(std::int32_t width, std::int32_t height, std::int32_t bpp, Bitmap **bitmap) {
    *bitmap = nullptr;
    if (width <= 0 || height <= 0)
        return error_from_format(0, "Image has no pixels (width %d, height %d)", static_cast<int>(width),
                                 static_cast<int>(height));
    if (bpp <= 0 || bpp > 255) return error_from_format(kErrorMode, "{EMODE}");
    std::uint64_t stride = bitmap_stride_bytes(width, bpp);
    std::uint64_t pixel_bytes = stride * static_cast<std::uint64_t>(height);
    if (pixel_bytes > kMaxBitmapBytes)
        return error_from_format(0, "Image is too large (%d x %d pixels at %d bits per pixel)",
                                 static_cast<int>(width), static_cast<int>(height), static_cast<int>(bpp));
    if (ErrorRecord *error = block_alloc(bitmap, static_cast<std::size_t>(sizeof(Bitmap) + pixel_bytes + 4))) return error;
    (*bitmap)->bpp = bpp;
    (*bitmap)->width = width;
    (*bitmap)->height = height;
    (*bitmap)->stride = static_cast<std::int32_t>(stride / 4);
    return nullptr;
}

ErrorRecord *sprite_image_create_plain(std::int32_t width, std::int32_t height, std::int32_t bpp,
                                       SpriteImage **image) {
    return sprite_image_create(width, height, bpp, 0, image);
}

ErrorRecord *sprite_image_create(std::int32_t width, std::int32_t height, std::int32_t bpp, std::int32_t mask_bpp,
                                 SpriteImage **image) {
    if (ErrorRecord *error = block_alloc(image, sizeof(SpriteImage))) return error;
    if (ErrorRecord *error = bitmap_create(width, height, bpp, &(*image)->image)) {
        block_free(image);
        return error;
    }
    if (mask_bpp > 0) return bitmap_create(width, height, mask_bpp, &(*image)->mask);
    return nullptr;
}

std::uint32_t *bitmap_row(Bitmap *bitmap, std::int32_t y) {
    return reinterpret_cast<std::uint32_t *>(rows_of(bitmap) +
                                             static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap->stride) * 4);
}

std::span<std::uint8_t> bitmap_row_bytes(Bitmap *bitmap, std::int32_t y) {
    return {reinterpret_cast<std::uint8_t *>(bitmap_row(bitmap, y)), static_cast<std::size_t>(bitmap->stride) * 4};
}

void bitmap_set_default_palette(Bitmap *bitmap, int n) {
    bitmap->palette_count = 1 << n;
    switch (bitmap->bpp) {
    case 1:
        bitmap->palette[0] = 0x00000000;
        bitmap->palette[1] = 0xFFFFFF00;
        break;
    case 2:
        for (std::uint32_t i = 0; i < 4; ++i) bitmap->palette[i] = i * 0x55555500u;
        break;
    case 4:
        for (std::uint32_t i = 0; i < 16; ++i) bitmap->palette[i] = i * 0x11111100u;
        break;
    case 8:
        for (std::uint32_t i = 0; i < 256; ++i) bitmap->palette[i] = i * 0x01010100u;
        break;
    default: break;
    }
}

void bitmap_reverse_row_pixels(Bitmap *bitmap, std::int32_t y) {
    const std::array<std::uint8_t, 256> *table = bitmap->bpp == 1   ? &kReverse1
                                                 : bitmap->bpp == 2 ? &kReverse2
                                                 : bitmap->bpp == 4 ? &kReverse4
                                                                    : nullptr;
    if (table == nullptr) return;
    for (std::uint8_t &byte : bitmap_row_bytes(bitmap, y)) byte = (*table)[byte];
}

void convert_row_depth(const std::uint32_t *source, int source_bpp, std::uint32_t *destination, int destination_bpp,
                       std::int32_t count) {
    if (count < 1 || source_bpp < 1 || source_bpp > 8 || destination_bpp < 1 || destination_bpp > 8) return;
    const std::uint32_t source_max = (1u << source_bpp) - 1;
    const std::uint32_t destination_max = (1u << destination_bpp) - 1;
    const int half = static_cast<int>(source_max / 2) - 1;
    const std::uint32_t bias = half < 0 ? 0 : static_cast<std::uint32_t>(half);
    std::array<std::uint8_t, 256> table{};
    for (std::uint32_t v = 0; v <= source_max; ++v)
        table[v] = static_cast<std::uint8_t>((v * destination_max + bias) / source_max);

    std::uint32_t in_word = 0, out_word = 0;
    int in_bits = 0, out_bits = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        if (in_bits == 0) {
            in_word = *source++;
            in_bits = 32;
        }
        std::uint32_t value = in_word & source_max;
        in_word = source_bpp == 32 ? 0 : in_word >> source_bpp;
        in_bits -= source_bpp;
        out_word |= static_cast<std::uint32_t>(table[value]) << out_bits;
        out_bits += destination_bpp;
        if (out_bits == 32) {
            *destination++ = out_word;
            out_word = 0;
            out_bits = 0;
        }
    }
    if (out_bits > 0) *destination = out_word;
}

ErrorRecord *sprite_list_add(SpriteList *list, std::int32_t *index, std::int32_t extra_size) {
    const std::size_t entry_size = sizeof(SpriteEntry);
    const std::size_t count = static_cast<std::size_t>(list->count);
    ErrorRecord *error = list->entries == nullptr ? block_alloc(&list->entries, entry_size * 8)
                                                  : block_ensure(&list->entries, entry_size * (count + 1), entry_size * 8);
    if (error != nullptr) return error;
    if (extra_size > 0) {
        const std::size_t extra = static_cast<std::size_t>(extra_size);
        error = list->extra == nullptr ? block_alloc(&list->extra, extra * 8)
                                       : block_ensure(&list->extra, extra * (count + 1), extra * 8);
        if (error != nullptr) return error;
    }
    std::memset(&list->entries[count], 0, entry_size); // callers may rely on a clean entry
    *index = list->count;
    ++list->count;
    return nullptr;
}

ErrorRecord *sprite_entry_add(SpriteList *list, const char *prefix, std::int32_t width, std::int32_t height,
                              std::int32_t bpp, std::int32_t xdpi, std::int32_t ydpi, std::int32_t extra_size,
                              std::int32_t *index) {
    if (ErrorRecord *error = sprite_list_add(list, index, extra_size)) return error;
    SpriteEntry &entry = list->entries[*index];
    std::snprintf(entry.name, sizeof entry.name, "%s%d", prefix, static_cast<int>(*index));
    entry.width = width;
    entry.height = height;
    entry.bpp = bpp;
    entry.xdpi = xdpi;
    entry.ydpi = ydpi;
    return nullptr;
}

ErrorRecord *sprite_entry_create_image(SpriteEntry *entry, std::int32_t mask_bpp) {
    if (ErrorRecord *error = sprite_image_create(entry->width, entry->height, entry->bpp, mask_bpp, &entry->image))
        return error;
    entry->image->image->xdpi = entry->xdpi;
    entry->image->image->ydpi = entry->ydpi;
    return nullptr;
}

ErrorRecord *sprite_entry_create(SpriteList *list, const char *prefix, std::int32_t width, std::int32_t height,
                                 std::int32_t bpp, std::int32_t xdpi, std::int32_t ydpi, Bitmap **image) {
    *image = nullptr;
    std::int32_t index = 0;
    if (ErrorRecord *error = sprite_entry_add(list, prefix, width, height, bpp, xdpi, ydpi, 0, &index)) return error;
    SpriteEntry *entry = &list->entries[index];
    if (ErrorRecord *error = sprite_entry_create_image(entry, 0)) return error;
    *image = entry->image->image;
    return nullptr;
}

void sprite_list_clear(SpriteList *list) {
    for (std::int32_t i = 0; i < list->count; ++i) {
        SpriteImage *image = list->entries[i].image;
        if (image == nullptr) continue;
        block_free(&image->image);
        block_free(&image->mask);
        block_free(&image);
    }
    block_free(&list->entries);
    block_free(&list->extra);
    list->count = 0;
}

std::uint32_t sprite_mode_word(std::int32_t bpp, std::int32_t xdpi, std::int32_t ydpi) {
    const bool tall_pixels = ydpi < xdpi; // the 90 x 45 dpi modes
    switch (bpp) {
    case 1: return tall_pixels ? 0 : 25;
    case 2: return tall_pixels ? 8 : 26;
    case 4: return tall_pixels ? 12 : 27;
    case 8: return tall_pixels ? 15 : 28;
    default: break;
    }
    const std::uint32_t type = bpp == 16 ? 5 : 6;
    const std::uint32_t vertical_dpi = tall_pixels ? 45 : 90;
    return 1u | (90u << 1) | (vertical_dpi << 14) | (type << 27);
}
