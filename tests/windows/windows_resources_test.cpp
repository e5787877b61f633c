// What the Windows build puts inside each program: the version resource that
// Windows shows in a file's properties, and the manifest that decides how
// Windows starts it.
#include "tests/windows/pe_resources.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

using testing_support::Bytes;

namespace {

struct Executable { std::string path, execution_level; };

std::vector<Executable> windows_executables() {
    std::vector<Executable> list;
    std::istringstream fields(WINDOWS_EXECUTABLES);
    for (Executable e; std::getline(fields, e.path, ',') && std::getline(fields, e.execution_level, ',');)
        list.push_back(e);
    return list;
}

// The Windows build directory, or empty when no Windows build is configured.
std::filesystem::path windows_build_dir() {
    const char *bin = std::getenv("FILTERS_WINDOWS_BIN_DIR");
    return bin != nullptr && *bin != '\0' ? std::filesystem::path(bin).parent_path() : "";
}

TEST(WindowsResources, EveryProgramCarriesTheVersionAndItsManifest) {
    if (windows_build_dir().empty()) GTEST_SKIP() << "no Windows build configured (FILTERS_WINDOWS_BIN_DIR)";
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(FILTERS_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);
    ASSERT_FALSE(windows_executables().empty());
    for (const Executable &executable : windows_executables()) {
        SCOPED_TRACE(executable.path);
        Bytes image = testing_support::read_file((windows_build_dir() / executable.path).string());
        ASSERT_FALSE(image.empty()) << "not built";
        auto resource = testing_support::find_resource(image, testing_support::kVersionType, 1);
        ASSERT_TRUE(resource);
        auto info = testing_support::parse_version_info(*resource);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->file_version_high, major << 16 | minor);
        EXPECT_EQ(info->file_version_low, patch << 16);
        EXPECT_EQ(info->product_version_high, info->file_version_high);
        EXPECT_EQ(info->product_version_low, info->file_version_low);
        std::filesystem::path file = std::filesystem::path(executable.path).filename();
        const std::map<std::string, std::string> expected{
            {"CompanyName", FILTERS_COMPANY_NAME}, {"ProductName", FILTERS_PRODUCT_NAME},
            {"FileVersion", FILTERS_VERSION}, {"ProductVersion", FILTERS_VERSION},
            {"OriginalFilename", file.string()}, {"InternalName", file.stem().string()},
        };
        for (const auto &[key, value] : expected) EXPECT_EQ(info->strings[key], value) << key;
        EXPECT_NE(info->strings["FileDescription"], "");

        auto manifest = testing_support::find_resource(image, testing_support::kManifestType, 1);
        ASSERT_TRUE(manifest);
        std::string text(manifest->begin(), manifest->end());
        EXPECT_NE(text.find("level=\"" + executable.execution_level + "\""), std::string::npos) << text;
    }
}

// Damaged bytes find nothing, and the reader stays inside them.
TEST(WindowsResources, DamagedExecutablesAndVersionResourcesFindNothing) {
    if (windows_build_dir().empty()) GTEST_SKIP() << "no Windows build configured (FILTERS_WINDOWS_BIN_DIR)";
    Bytes image = testing_support::read_file((windows_build_dir() / windows_executables()[0].path).string());
    ASSERT_TRUE(testing_support::find_resource(image, testing_support::kVersionType, 1));
    Bytes far_header = image;
    far_header[0x3C] = far_header[0x3D] = far_header[0x3E] = far_header[0x3F] = 0xF0;
    const std::vector<std::pair<std::string, Bytes>> images{
        {"empty", {}},
        {"headers only", Bytes(image.begin(), image.begin() + 512)},
        {"PE header offset past the end", far_header},
    };
    for (const auto &[name, bytes] : images) EXPECT_FALSE(testing_support::find_resource(bytes, testing_support::kVersionType, 1)) << name;

    ByteSpan resource = *testing_support::find_resource(image, testing_support::kVersionType, 1);
    Bytes zero_child(resource.begin(), resource.end());
    // The first child follows the 40-byte "VS_VERSION_INFO" header and the 52-byte fixed info.
    zero_child[92] = zero_child[93] = 0;
    const std::vector<std::pair<std::string, Bytes>> resources{
        {"cut in half", Bytes(resource.begin(), resource.begin() + resource.size() / 2)},
        {"a child of length 0", zero_child},
        {"shorter than its header", Bytes(resource.begin(), resource.begin() + 4)},
    };
    for (const auto &[name, bytes] : resources) EXPECT_FALSE(testing_support::parse_version_info(bytes)) << name;
}

} // namespace
