// Reads resources out of a Windows executable's bytes, for tests that check
// what the Windows build puts in its programs. The bytes are untrusted: every
// read is bounded (framework/bytes.h), and a malformed file finds nothing.
#pragma once

#include "framework/bytes.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace testing_support {

inline constexpr std::uint32_t kVersionType = 16;   // RT_VERSION
inline constexpr std::uint32_t kManifestType = 24;  // RT_MANIFEST

// The data of the resource of that type and numeric name, in its first language.
std::optional<ByteSpan> find_resource(ByteSpan image, std::uint32_t type, std::uint32_t name);

struct VersionInfo {
    // VS_FIXEDFILEINFO: major << 16 | minor, then patch << 16 | tweak.
    std::uint32_t file_version_high = 0, file_version_low = 0;
    std::uint32_t product_version_high = 0, product_version_low = 0;
    // The values of every StringFileInfo table (ASCII; other characters read as '?').
    std::map<std::string, std::string> strings;
};

// Parses a VS_VERSIONINFO resource.
std::optional<VersionInfo> parse_version_info(ByteSpan resource);

} // namespace testing_support
