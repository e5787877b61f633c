#include "tests/support/gif_builder.h"

#include <map>
#include <utility>

namespace testing_support {
namespace {

void put16(Bytes &out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

int table_bits(std::size_t entries) {
    int bits = 1;
    while ((std::size_t{1} << bits) < entries && bits < 8) ++bits;
    return bits;
}

void put_table(Bytes &out, const std::vector<Rgb> &table, int bits) {
    for (int i = 0; i < (1 << bits); ++i) {
        Rgb c = i < static_cast<int>(table.size()) ? table[i] : Rgb{0, 0, 0};
        out.insert(out.end(), {c.r, c.g, c.b});
    }
}

void put_sub_blocks(Bytes &out, const Bytes &data, int sub_block) {
    for (std::size_t at = 0; at < data.size(); at += sub_block) {
        std::size_t n = std::min<std::size_t>(sub_block, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + n));
    }
}

} // namespace

std::vector<int> gif_lzw_codes(const std::vector<std::uint8_t> &pixels, int minimum_code_size,
                               const GifLzwOptions &options) {
    const int clear = 1 << minimum_code_size;
    const int first_free = clear + 2;
    std::map<std::pair<int, int>, int> table;
    int next = first_free;
    int since_clear = 0;
    std::vector<int> codes;
    if (options.clear_first) codes.push_back(clear);
    int prefix = -1;
    for (std::uint8_t p : pixels) {
        if (prefix < 0) {
            prefix = p;
            continue;
        }
        auto found = table.find({prefix, p});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        codes.push_back(prefix);
        ++since_clear;
        if (next < 4096) table[{prefix, p}] = next++;
        if ((options.clear_when_full && next == 4096) ||
            (options.clear_every > 0 && since_clear == options.clear_every)) {
            codes.push_back(clear);
            table.clear();
            next = first_free;
            since_clear = 0;
        }
        prefix = p;
    }
    if (prefix >= 0) codes.push_back(prefix);
    if (options.end_code) codes.push_back(clear + 1);
    return codes;
}

Bytes gif_pack_codes(const std::vector<int> &codes, int minimum_code_size, int sub_block, bool terminator) {
    const int clear = 1 << minimum_code_size;
    const int first_free = clear + 2;
    int width = minimum_code_size + 1;
    int next = first_free;
    bool after_clear = true;
    Bytes data;
    std::uint32_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= static_cast<std::uint32_t>(code & ((1 << width) - 1)) << count;
        count += width;
        while (count >= 8) {
            data.push_back(static_cast<std::uint8_t>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
        if (code == clear) {
            width = minimum_code_size + 1;
            next = first_free;
            after_clear = true;
            continue;
        }
        if (code == clear + 1) continue;
        if (after_clear) {
            after_clear = false;
            continue;
        }
        if (next < 4096) {
            ++next;
            if (next >= (1 << width) && width < 12) ++width;
        }
    }
    if (count > 0) data.push_back(static_cast<std::uint8_t>(bits & 0xFF));
    Bytes out{static_cast<std::uint8_t>(minimum_code_size)};
    put_sub_blocks(out, data, sub_block);
    if (terminator) out.push_back(0);
    return out;
}

std::vector<int> gif_interlace_order(int height) {
    std::vector<int> rows;
    const int first[4] = {0, 4, 2, 1};
    const int step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int row = first[pass]; row < height; row += step[pass]) rows.push_back(row);
    return rows;
}

GifBuilder::GifBuilder(std::string_view signature) { bytes.assign(signature.begin(), signature.end()); }

GifBuilder &GifBuilder::screen(int width, int height, const std::vector<Rgb> &global_table, int size_bits) {
    put16(bytes, width);
    put16(bytes, height);
    int bits = global_table.empty() ? 1 : table_bits(global_table.size());
    int field = size_bits >= 0 ? size_bits : bits - 1;
    bytes.push_back(static_cast<std::uint8_t>((global_table.empty() ? 0 : 0x80) | (field & 7)));
    bytes.push_back(0); // background index
    bytes.push_back(0); // aspect ratio
    if (!global_table.empty()) put_table(bytes, global_table, bits);
    return *this;
}

GifBuilder &GifBuilder::graphic_control(bool transparent, int index, int block_size) {
    Bytes block{static_cast<std::uint8_t>(transparent ? 1 : 0), 10, 0, static_cast<std::uint8_t>(index)};
    block.resize(static_cast<std::size_t>(block_size), 0x77);
    bytes.insert(bytes.end(), {0x21, 0xF9, static_cast<std::uint8_t>(block_size)});
    bytes.insert(bytes.end(), block.begin(), block.end());
    bytes.push_back(0);
    return *this;
}

GifBuilder &GifBuilder::comment(std::string_view text) {
    return extension(0xFE, {Bytes(text.begin(), text.end())});
}

GifBuilder &GifBuilder::application(std::string_view identifier, const Bytes &data) {
    bytes.insert(bytes.end(), {0x21, 0xFF, static_cast<std::uint8_t>(identifier.size())});
    bytes.insert(bytes.end(), identifier.begin(), identifier.end());
    put_sub_blocks(bytes, data, 255);
    bytes.push_back(0);
    return *this;
}

GifBuilder &GifBuilder::plain_text(std::string_view text) {
    bytes.insert(bytes.end(), {0x21, 0x01, 12, 0, 0, 0, 0, 40, 0, 16, 0, 8, 16, 1, 0});
    put_sub_blocks(bytes, Bytes(text.begin(), text.end()), 255);
    bytes.push_back(0);
    return *this;
}

GifBuilder &GifBuilder::extension(std::uint8_t label, const std::vector<Bytes> &sub_blocks) {
    bytes.insert(bytes.end(), {0x21, label});
    for (const Bytes &block : sub_blocks) {
        bytes.push_back(static_cast<std::uint8_t>(block.size()));
        bytes.insert(bytes.end(), block.begin(), block.end());
    }
    bytes.push_back(0);
    return *this;
}

GifBuilder &GifBuilder::image_with_data(const GifImage &image, const Bytes &data) {
    bytes.push_back(0x2C);
    put16(bytes, image.left);
    put16(bytes, image.top);
    put16(bytes, image.width);
    put16(bytes, image.height);
    int bits = image.local_table.empty() ? 1 : table_bits(image.local_table.size());
    std::uint8_t flags = static_cast<std::uint8_t>((image.interlaced ? 0x40 : 0) |
                                                   (image.local_table.empty() ? 0 : 0x80 | (bits - 1)));
    bytes.push_back(flags);
    if (!image.local_table.empty()) put_table(bytes, image.local_table, bits);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
}

GifBuilder &GifBuilder::image(const GifImage &image) {
    std::vector<std::uint8_t> stream_order = image.pixels;
    if (image.interlaced) {
        stream_order.clear();
        for (int row : gif_interlace_order(image.height))
            stream_order.insert(stream_order.end(), image.pixels.begin() + row * image.width,
                                image.pixels.begin() + (row + 1) * image.width);
    }
    int minimum = image.lzw.minimum_code_size;
    if (minimum == 0) {
        int top = 0;
        for (std::uint8_t p : image.pixels) top = std::max<int>(top, p);
        minimum = 2;
        while ((1 << minimum) <= top) ++minimum;
    }
    Bytes data = gif_pack_codes(gif_lzw_codes(stream_order, minimum, image.lzw), minimum, image.lzw.sub_block,
                                image.lzw.terminator);
    return image_with_data(image, data);
}

GifBuilder &GifBuilder::raw(const Bytes &data) {
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
}

GifBuilder &GifBuilder::trailer() {
    bytes.push_back(0x3B);
    return *this;
}

} // namespace testing_support
