// The POSIX stand-ins answer as Windows does for the cases the programs meet.
#include "platform/win32.h"
#include "platform/win32_process.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

using testing_support::TempDir;

namespace {

std::string system_text(DWORD code) {
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                   nullptr);
    return text;
}

TEST(MulDiv, RoundsHalfAwayFromZeroAndReportsOverflowAsMinusOne) {
    struct Case { int a, b, c, expected; };
    const Case cases[] = {
        {2835, 254, 10000, 72},  {2834, 254, 10000, 72},   {5, 1, 2, 3},           {-5, 1, 2, -3},
        {5, -1, 2, -3},          {-5, -1, 2, 3},           {5, 1, -2, -3},         {7, 3, 0, -1},
        {0x40000000, 4, 1, -1},  {-2147483647, 1, 1, -2147483647}, {1 << 16, 1 << 16, 1 << 16, 1 << 16},
        {0x10000, 3, 2, 0x18000}, {1, 1, 3, 0},            {2, 1, 3, 1},
    };
    for (const auto &c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(Files, MissingFilesAndDirectoriesGiveWindowsCodes) {
    TempDir dir;
    EXPECT_EQ(CreateFileA(dir.file("none").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(CreateFileA(dir.file("no/such").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(CreateFileA(dir.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(system_text(2), "The system cannot find the file specified.\r\n");
    EXPECT_EQ(GetFileAttributesA(dir.file("none").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(dir.path.c_str()), FILE_ATTRIBUTE_DIRECTORY);
}

TEST(Files, BackslashesAndLetterCaseResolveLikeWindows) {
    TempDir dir;
    std::filesystem::create_directory(dir.path / "Chapter1");
    testing_support::write_text(dir.file("Chapter1/Text.d88"), "abc");
    std::string windows_style = dir.path.string() + "\\chapter1\\TEXT.D88";
    HANDLE file = CreateFileA(windows_style.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[8] = {};
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(std::string(buffer, got), "abc");
    EXPECT_EQ(SetFilePointer(file, 1, nullptr, FILE_BEGIN), 1u);
    EXPECT_EQ(SetFilePointer(file, -5, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_TRUE(CloseHandle(file));
}

TEST(Files, DispositionsCreateTruncateAndRefuse) {
    TempDir dir;
    std::string path = dir.file("out");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    EXPECT_TRUE(WriteFile(file, "hello", 5, &put, nullptr));
    CloseHandle(file);
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(file, nullptr), 0u);
    CloseHandle(file);
}

TEST(Files, SearchesListDotEntriesFirstAndMatchWildcardsWithoutCase) {
    TempDir dir;
    testing_support::write_text(dir.file("B.txt"), "");
    testing_support::write_text(dir.file("a.TXT"), "x");
    testing_support::write_text(dir.file("c.dat"), "");
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA((dir.path.string() + "\\*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, ".");
    ASSERT_TRUE(FindNextFileA(search, &data));
    EXPECT_STREQ(data.cFileName, "..");
    int files = 0;
    while (FindNextFileA(search, &data)) ++files;
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_EQ(files, 3);
    FindClose(search);

    search = FindFirstFileA((dir.path.string() + "\\*.txt").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int matches = 1;
    while (FindNextFileA(search, &data)) ++matches;
    EXPECT_EQ(matches, 2);
    FindClose(search);
}

TEST(Files, ReadOnlyFilesAndFullDirectoriesAreNotDeleted) {
    TempDir dir;
    std::string file = dir.file("locked");
    testing_support::write_text(file, "x");
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(DeleteFileA(file.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(RemoveDirectoryA(dir.path.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileA(file.c_str()));
}

// A view shows the file's bytes in place; an empty file cannot be mapped and
// no view reaches past the end.
TEST(Files, MappedViewsStayWithinTheFile) {
    TempDir dir;
    testing_support::write_text(dir.file("text"), "mapped bytes");
    testing_support::write_text(dir.file("empty"), "");
    const auto open_file = [&dir](const char *name) {
        return CreateFileA(dir.file(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE empty = open_file("empty");
    EXPECT_EQ(CreateFileMappingA(empty, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_INVALID);
    CloseHandle(empty);

    HANDLE file = open_file("text");
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 13), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    const void *view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 12);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(CloseHandle(mapping));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(std::string(static_cast<const char *>(view), 12), "mapped bytes");
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_FALSE(UnmapViewOfFile(view));
}

} // namespace

namespace {

TEST(UninstallerCalls, PathsNamesAndIdentitiesAnswerAsWindowsDoes) {
    struct Full { const char *path, *full; };
    const Full full_paths[] = {
        {"C:\\a\\b", "C:\\a\\b"},           {"c:/a//b/", "c:\\a\\b\\"},     {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
        {"C:\\a\\windows. ", "C:\\a\\windows"}, {"C:\\..\\..", "C:\\"},
    };
    for (const auto &c : full_paths) {
        char full[MAX_PATH];
        EXPECT_EQ(GetFullPathNameA(c.path, sizeof full, full, nullptr), std::string(c.full).size()) << c.path;
        EXPECT_EQ(std::string(full), c.full) << c.path;
    }
    setenv("KV_PLATFORM_TEST", "C:\\Velmora", 1);
    char expanded[64];
    EXPECT_EQ(ExpandEnvironmentStringsA("%KV_PLATFORM_TEST%\\%UNSET_KV%\\100%", expanded, sizeof expanded), 27u);
    EXPECT_EQ(std::string(expanded), "C:\\Velmora\\%UNSET_KV%\\100%");

    // UTF-8 round trip; a stray byte becomes U+FFFD.
    const char *text = "na\xC3\xAFve \xE6\x97\xA5 \xF0\x9F\x98\x80 \xFF";
    WCHAR wide[32];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 32), 12);
    EXPECT_EQ(std::wstring(wide), L"na\u00EFve \u65E5 \U0001F600 \uFFFD");
    char back[32];
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof back, nullptr, nullptr), 20);
    EXPECT_EQ(std::string(back), "na\xC3\xAFve \xE6\x97\xA5 \xF0\x9F\x98\x80 \xEF\xBF\xBD");

    // One directory by two spellings is one identity; a link opened as itself is a reparse point.
    TempDir dir;
    std::filesystem::create_directory(dir.path / "Real");
    std::filesystem::create_directory_symlink(dir.path / "Real", dir.path / "Link");
    auto open = [](const std::string &path, DWORD flags, BY_HANDLE_FILE_INFORMATION &information) {
        HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr);
        bool got = handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &information);
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        return got;
    };
    BY_HANDLE_FILE_INFORMATION real{}, linked{}, link{};
    ASSERT_TRUE(open(dir.file("REAL"), FILE_FLAG_BACKUP_SEMANTICS, real));
    ASSERT_TRUE(open(dir.file("Link"), FILE_FLAG_BACKUP_SEMANTICS, linked));
    ASSERT_TRUE(open(dir.file("Link"), FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, link));
    EXPECT_EQ(real.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(link.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(std::make_tuple(real.dwVolumeSerialNumber, real.nFileIndexHigh, real.nFileIndexLow),
              std::make_tuple(linked.dwVolumeSerialNumber, linked.nFileIndexHigh, linked.nFileIndexLow));
    EXPECT_NE(real.nFileIndexLow, link.nFileIndexLow);
    EXPECT_EQ(GetFileAttributesA(dir.file("Link").c_str()), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_TRUE(RemoveDirectoryA(dir.file("Link").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path / "Real"));
}

} // namespace
