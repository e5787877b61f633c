#include "tests/windows/pe_resources.h"

#include <algorithm>

namespace testing_support {
namespace {

constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint64_t kSectionHeaderSize = 40;

std::uint64_t align4(std::uint64_t at) { return (at + 3) & ~std::uint64_t{3}; }

std::optional<ByteSpan> slice(ByteSpan bytes, std::uint64_t at, std::uint64_t length) {
    if (!fitsIn(bytes, at, length)) return std::nullopt;
    return bytes.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(length));
}

// The section table, and the file bytes of an address range that one section holds.
struct Sections {
    ByteSpan image;
    std::uint64_t table = 0;
    std::uint16_t count = 0;

    std::optional<ByteSpan> bytes_at(std::uint32_t address, std::uint32_t length) const {
        for (std::uint16_t i = 0; i < count; ++i) {
            std::uint64_t header = table + i * kSectionHeaderSize;
            std::uint32_t start = 0, raw_size = 0, raw_offset = 0;
            if (!readU32(image, header + 12, start) || !readU32(image, header + 16, raw_size) ||
                !readU32(image, header + 20, raw_offset))
                return std::nullopt;
            if (address >= start && address - start < raw_size && length <= raw_size - (address - start))
                return slice(image, std::uint64_t{raw_offset} + (address - start), length);
        }
        return std::nullopt;
    }
};

std::optional<Sections> read_sections(ByteSpan image, std::uint32_t &resources_address,
                                      std::uint32_t &resources_size) {
    std::uint16_t magic = 0, section_count = 0, optional_size = 0, optional_magic = 0;
    std::uint32_t header = 0, signature = 0, directory_count = 0;
    if (!readU16(image, 0, magic) || magic != 0x5A4D || !readU32(image, 0x3C, header) ||
        !readU32(image, header, signature) || signature != 0x00004550)
        return std::nullopt;
    std::uint64_t file_header = std::uint64_t{header} + 4, optional_header = file_header + 20;
    if (!readU16(image, file_header + 2, section_count) || !readU16(image, file_header + 16, optional_size) ||
        !readU16(image, optional_header, optional_magic))
        return std::nullopt;
    // PE32 and PE32+ differ only in where the data directories start.
    std::uint64_t directories = optional_header + (optional_magic == 0x20B ? 112 : 96);
    if (!readU32(image, directories - 4, directory_count) || directory_count <= kResourceDirectoryIndex ||
        !readU32(image, directories + 8 * kResourceDirectoryIndex, resources_address) ||
        !readU32(image, directories + 8 * kResourceDirectoryIndex + 4, resources_size))
        return std::nullopt;
    return Sections{image, optional_header + optional_size, section_count};
}

// The entry of a resource directory with that numeric id (any id when `any`).
std::optional<std::uint32_t> directory_entry(ByteSpan resources, std::uint32_t directory, std::uint32_t id,
                                             bool any) {
    std::uint16_t named = 0, numbered = 0;
    if (!readU16(resources, std::uint64_t{directory} + 12, named) ||
        !readU16(resources, std::uint64_t{directory} + 14, numbered))
        return std::nullopt;
    for (std::uint32_t i = 0; i < std::uint32_t{named} + numbered; ++i) {
        std::uint64_t entry = std::uint64_t{directory} + 16 + 8 * i;
        std::uint32_t name = 0, target = 0;
        if (!readU32(resources, entry, name) || !readU32(resources, entry + 4, target)) return std::nullopt;
        if (any || name == id) return target;
    }
    return std::nullopt;
}

std::string ascii(ByteSpan utf16) {
    std::string text;
    std::uint16_t unit = 0;
    for (std::uint64_t at = 0; readU16(utf16, at, unit); at += 2) text += unit < 0x80 ? static_cast<char>(unit) : '?';
    return text;
}

// One node of a version resource: a key, a value, and the nodes inside it.
struct VersionNode {
    std::string key;
    ByteSpan value;
    ByteSpan children;
    std::uint64_t length = 0;  // of the whole node, so the next one starts at align4(length)
};

std::optional<VersionNode> read_node(ByteSpan bytes, std::uint64_t at) {
    std::uint16_t length = 0, value_length = 0, type = 0;
    if (!readU16(bytes, at, length) || !readU16(bytes, at + 2, value_length) || !readU16(bytes, at + 4, type) ||
        length < 6)
        return std::nullopt;
    auto node_bytes = slice(bytes, at, length);
    if (!node_bytes) return std::nullopt;
    VersionNode node;
    node.length = length;
    std::uint64_t key_end = 6;
    for (std::uint16_t unit = 0; readU16(*node_bytes, key_end, unit) && unit != 0; key_end += 2) {}
    if (key_end + 2 > length) return std::nullopt;
    node.key = ascii(node_bytes->subspan(6, static_cast<std::size_t>(key_end - 6)));
    // A text value counts UTF-16 units, a binary one bytes; a value that overruns its node is cut to it.
    std::uint64_t value_start = std::min<std::uint64_t>(align4(key_end + 2), length);
    std::uint64_t value_size = std::min<std::uint64_t>(value_length * (type == 1 ? 2u : 1u), length - value_start);
    node.value = node_bytes->subspan(static_cast<std::size_t>(value_start), static_cast<std::size_t>(value_size));
    std::uint64_t children_start = std::min<std::uint64_t>(align4(value_start + value_size), length);
    node.children = node_bytes->subspan(static_cast<std::size_t>(children_start));
    return node;
}

// Calls `visit` on each node of `bytes`; false when one is malformed.
template <typename Visit> bool for_each_node(ByteSpan bytes, Visit visit) {
    for (std::uint64_t at = 0; at < bytes.size(); at = align4(at)) {
        auto node = read_node(bytes, at);
        if (!node || !visit(*node)) return false;
        at += node->length;  // at least 6, so the walk ends
    }
    return true;
}

} // namespace

std::optional<ByteSpan> find_resource(ByteSpan image, std::uint32_t type, std::uint32_t name) {
    std::uint32_t address = 0, size = 0;
    auto sections = read_sections(image, address, size);
    if (!sections) return std::nullopt;
    auto resources = sections->bytes_at(address, size);
    if (!resources) return std::nullopt;
    // Three levels: type, name, language; the first two lead to directories, the last to data.
    auto by_type = directory_entry(*resources, 0, type, false);
    if (!by_type || !(*by_type & kSubdirectory)) return std::nullopt;
    auto by_name = directory_entry(*resources, *by_type & ~kSubdirectory, name, false);
    if (!by_name || !(*by_name & kSubdirectory)) return std::nullopt;
    auto data = directory_entry(*resources, *by_name & ~kSubdirectory, 0, true);
    std::uint32_t data_address = 0, data_size = 0;
    if (!data || (*data & kSubdirectory) || !readU32(*resources, *data, data_address) ||
        !readU32(*resources, std::uint64_t{*data} + 4, data_size))
        return std::nullopt;
    return sections->bytes_at(data_address, data_size);
}

std::optional<VersionInfo> parse_version_info(ByteSpan resource) {
    auto root = read_node(resource, 0);
    std::uint32_t signature = 0;
    VersionInfo info;
    if (!root || root->key != "VS_VERSION_INFO" || !readU32(root->value, 0, signature) ||
        signature != kFixedInfoSignature || !readU32(root->value, 8, info.file_version_high) ||
        !readU32(root->value, 12, info.file_version_low) || !readU32(root->value, 16, info.product_version_high) ||
        !readU32(root->value, 20, info.product_version_low))
        return std::nullopt;
    // StringFileInfo holds one table per language, each of key and text pairs.
    bool well_formed = for_each_node(root->children, [&](const VersionNode &block) {
        if (block.key != "StringFileInfo") return true;
        return for_each_node(block.children, [&](const VersionNode &table) {
            return for_each_node(table.children, [&](const VersionNode &entry) {
                std::string text = ascii(entry.value);
                while (!text.empty() && text.back() == '\0') text.pop_back();
                info.strings[entry.key] = text;
                return true;
            });
        });
    });
    if (!well_formed) return std::nullopt;
    return info;
}

} // namespace testing_support
