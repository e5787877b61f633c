// The uninstaller's removal logic against the POSIX stand-ins: deferral,
// tree deletion and its failure stop, long paths, the installation path check,
// the registry item paths, the deletion pass copy and the "-u" pass.
#include "uninstall/removal.h"

#include "platform/win32_process.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

using testing_support::TempDir;
using testing_support::read_file;
using testing_support::read_text;
using testing_support::write_text;

namespace {

namespace fs = std::filesystem;

// Lays out an installation directory: names ending in "/" are directories,
// the others files holding their own name. Paths are spelled as Windows
// spells them below the root, with backslashes.
struct InstallationBuilder {
    std::string root; // e.g. "/tmp/filters-test-ab12cd\\Filters"

    InstallationBuilder(const TempDir &dir, std::string_view name) : root(dir.path.string() + "\\" + std::string(name)) {
        fs::create_directories(host(root));
    }
    static fs::path host(std::string path) {
        for (char &c : path)
            if (c == '\\') c = '/';
        return path;
    }
    std::string at(std::string_view relative) const {
        std::string below(relative);
        if (!below.empty() && below.back() == '/') below.pop_back();
        for (char &c : below)
            if (c == '/') c = '\\';
        return root + "\\" + below;
    }
    InstallationBuilder &add(std::initializer_list<std::string_view> entries) {
        for (std::string_view entry : entries) {
            if (entry.ends_with('/')) {
                fs::create_directories(host(at(entry)));
            } else {
                fs::create_directories(host(at(entry)).parent_path());
                write_text(host(at(entry)), entry);
            }
        }
        return *this;
    }
    bool exists(std::string_view relative = "") const {
        return fs::exists(host(relative.empty() ? root : at(relative)));
    }
    // Every path left below the root, relative and with "/" separators.
    std::set<std::string> remaining() const {
        std::set<std::string> left;
        if (!fs::exists(host(root))) return left;
        for (const auto &entry : fs::recursive_directory_iterator(host(root)))
            left.insert(fs::relative(entry.path(), host(root)).string() + (entry.is_directory() ? "/" : ""));
        return left;
    }
};

std::string quoted(std::initializer_list<std::string> paths) {
    std::string list;
    for (const auto &path : paths) list += (list.empty() ? "\"" : " \"") + path + "\"";
    return list;
}

// The names of a directory in the order the search gives them, "." and ".." left out.
std::vector<std::string> search_order(const std::string &directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((directory + "\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = entry.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

TEST(TreeDeletion, DefersTheOwnFileBeforeItsDirectoriesInnermostFirst) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"Bmpload.exe", "readme", "bin/uninstallkv.exe", "bin/help.txt", "bin/data/modes.txt", "docs/",
                 "docs/guide/intro.txt"});
    RemovalState state{install.at("bin/uninstallkv.exe"), ""};

    EXPECT_EQ(removal_delete_tree(state, (install.root + "\\").c_str(), "*.*"), nullptr);

    EXPECT_EQ(state.deferred, quoted({install.at("bin/uninstallkv.exe"), install.at("bin"), install.root}));
    EXPECT_EQ(install.remaining(), (std::set<std::string>{"bin/", "bin/uninstallkv.exe"}));

    // The copy's pass then removes them in list order: the file first, then the emptied directories.
    std::vector<std::string> paths{install.at("bin/uninstallkv.exe"), install.at("bin"), install.root};
    std::vector<const char *> arguments;
    for (const auto &path : paths) arguments.push_back(path.c_str());
    removal_deletion_pass(arguments);
    EXPECT_FALSE(install.exists());
}

TEST(TreeDeletion, ARunFromOutsideDefersNothing) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"uninstallkv.exe", "bin/Gifload.exe", "empty/"});
    RemovalState state{dir.path.string() + "\\elsewhere\\uninstallkv.exe", ""};

    EXPECT_EQ(removal_delete_tree(state, install.root.c_str(), "*.*"), nullptr);
    EXPECT_EQ(state.deferred, "");
    EXPECT_FALSE(install.exists());
}

TEST(TreeDeletion, APlainFileIsDeletedAndAMissingPathIsNothingToDo) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"single.txt"});
    RemovalState state{};
    EXPECT_EQ(removal_delete_tree(state, install.at("single.txt").c_str(), "*.*"), nullptr);
    EXPECT_FALSE(install.exists("single.txt"));
    EXPECT_EQ(removal_delete_tree(state, install.at("missing").c_str(), "*.*"), nullptr);
    EXPECT_TRUE(install.exists());
}

TEST(TreeDeletion, DeferralIsAPlainPrefixTestThatAlsoCatchesSiblingsStartingAlike) {
    struct Case {
        const char *path;
        bool deferred;
    };
    const Case cases[] = {
        {"C:\\Filters", true},
        {"c:\\FILTERS\\bin", true},
        {"C:\\Filters\\bin\\uninstallkv.exe", true},
        {"C:\\Filters\\bin\\uninst", true}, // a sibling that merely starts alike
        {"C:\\Fil", true},
        {"C:\\Filters\\bin\\uninstallkv.exe.bak", false},
        {"C:\\Filters\\docs", false},
        {"D:\\Filters", false},
        {"", false},
    };
    RemovalState state{"C:\\Filters\\bin\\uninstallkv.exe", ""};
    for (const auto &c : cases) EXPECT_EQ(removal_is_deferred(state, c.path), c.deferred) << c.path;
    EXPECT_FALSE(removal_is_deferred(RemovalState{}, "C:\\Filters"));

    // In a real tree the look-alike sibling stays behind with the program.
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"uninstallkv.exe", "uninst", "other"});
    RemovalState own{install.at("uninstallkv.exe"), ""};
    EXPECT_EQ(removal_delete_tree(own, install.root.c_str(), "*.*"), nullptr);
    EXPECT_EQ(install.remaining(), (std::set<std::string>{"uninst", "uninstallkv.exe"}));
    EXPECT_EQ(own.deferred.size(), quoted({install.at("uninstallkv.exe"), install.at("uninst"), install.root}).size());
    EXPECT_TRUE(own.deferred.ends_with(" " + quoted({install.root})));
}

TEST(TreeDeletion, AReadOnlyFileStopsTheWholeTreeThere) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"a.txt", "b.txt", "locked.txt", "c/", "c/d.txt", "e.txt"});
    ASSERT_TRUE(SetFileAttributesA(install.at("locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    std::vector<std::string> order = search_order(install.root);
    RemovalState state{};

    SystemRecord *failure = removal_delete_tree(state, install.root.c_str(), "*.*");

    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->code, ERROR_ACCESS_DENIED);
    EXPECT_EQ(std::string(failure->text),
              "Access is denied.\r\n(DeleteFile) (5) (" + install.at("locked.txt") + ")");
    // Whatever the search gave before the locked file is gone; it and the rest stay.
    std::set<std::string> expected;
    bool after = false;
    for (const auto &name : order) {
        after = after || name == "locked.txt";
        if (!after) continue;
        if (name == "c") expected.insert({"c/", "c/d.txt"});
        else expected.insert(name);
    }
    EXPECT_EQ(install.remaining(), expected);
    EXPECT_TRUE(install.exists());
}

TEST(TreeDeletion, TheEndOfTheEntriesIsNoFailure) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"empty/", "one/only.txt"});
    RemovalState state{};
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(removal_delete_tree(state, install.at("empty").c_str(), "*.*"), nullptr);
    EXPECT_FALSE(install.exists("empty"));
    EXPECT_EQ(removal_delete_tree(state, install.at("one").c_str(), "*.*"), nullptr);
    EXPECT_FALSE(install.exists("one"));
    // Had code 18 counted as a failure, this is the record the deletion would have returned.
    EXPECT_EQ(std::string(system_record("FindNextFile", ERROR_NO_MORE_FILES, nullptr)->text),
              "There are no more files.\r\n(FindNextFile) (18)");
}

TEST(TreeDeletion, PathsBeyondTheBufferAreSkippedAndTheirDirectoryStays) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    // The directory and its search pattern fit the 260-character buffer
    // exactly; one file inside it fits too, the other does not.
    std::string deep(100, 'd');
    deep += "/" + std::string(kPathCapacity - 1 - install.root.size() - 5 - deep.size() - 1, 'e');
    std::string inner = deep + "/" + std::string(40, 'f');
    std::string sibling = deep + "/g";
    install.add({std::string_view(inner), std::string_view(sibling)});
    ASSERT_EQ(install.at(deep).size() + 4, kPathCapacity - 1);
    ASSERT_GE(install.at(inner).size(), kPathCapacity);
    RemovalState state{};

    SystemRecord *failure = removal_delete_tree(state, install.root.c_str(), "*.*");

    ASSERT_NE(failure, nullptr);
    // The record keeps to its 251 characters.
    EXPECT_EQ(std::string(failure->text),
              ("The directory is not empty.\r\n(Remove Directory) (145) (" + install.at(deep) + ")").substr(0, 251));
    EXPECT_TRUE(install.exists(inner));
    EXPECT_EQ(install.remaining(), (std::set<std::string>{deep.substr(0, 100) + "/", deep + "/", inner}));

    // A starting path that does not fit is not touched at all.
    std::string too_long = install.at(inner);
    EXPECT_EQ(removal_delete_tree(state, too_long.c_str(), "*.*"), nullptr);
    EXPECT_TRUE(install.exists(inner));
}

// A system drive laid out in a test directory as the directory "C:", which
// the stand-ins read for "C:\..." while it is the current directory, with
// its folders protected as the wizard protects them.
struct SystemDrive {
    TempDir dir;
    fs::path saved = fs::current_path();
    ProtectedDirectories protect;

    SystemDrive() {
        for (const char *folder : {"Windows/System32/drivers", "Program Files/Velmora Filters/bin", "Program Files (x86)",
                                   "ProgramData", "Users/Public/Documents", "Users/bob/Desktop", "Users/bob/Documents",
                                   "Users/bob/AppData/Local/Temp", "Velmora Filters"})
            fs::create_directories(dir.path / "C:" / folder);
        fs::create_directory_symlink("Windows", dir.path / "C:" / "Shortcut");
        fs::current_path(dir.path);
        protect.known = removal_protect(protect, "C:\\Windows", Protection::folder_and_contents);
        for (const char *folder : {"C:\\Users\\bob", "C:\\Users\\bob\\Desktop", "C:\\Users\\bob\\Documents",
                                   "C:\\Program Files", "C:\\Program Files (x86)", "C:\\ProgramData", "C:\\Users\\Public",
                                   "C:\\Users\\bob\\AppData\\Local\\Temp\\"})
            EXPECT_TRUE(removal_protect(protect, folder, Protection::folder)) << folder;
    }
    ~SystemDrive() { fs::current_path(saved); }
};

// Sets an environment variable for one test.
struct VariableOverride {
    std::string name;
    std::string saved;
    bool had;
    VariableOverride(std::string variable, const std::string &value) : name(std::move(variable)) {
        const char *old = std::getenv(name.c_str());
        had = old != nullptr;
        if (had) saved = old;
        setenv(name.c_str(), value.c_str(), 1);
    }
    ~VariableOverride() {
        if (had) setenv(name.c_str(), saved.c_str(), 1);
        else unsetenv(name.c_str());
    }
};

TEST(InstallationPath, EverySpellingResolvesToOnePathOrIsRefused) {
    SystemDrive drive;
    ASSERT_TRUE(drive.protect.known);
    VariableOverride program_files("ProgramFiles", "C:\\Program Files");
    VariableOverride profile("USERPROFILE", "C:\\Users\\bob");
    struct Case {
        const char *value;
        bool expand;
        const char *path; // null: refused
    };
    const Case cases[] = {
        // Ordinary installation directories, however separated.
        {"C:\\Program Files\\Velmora Filters", false, "C:\\Program Files\\Velmora Filters"},
        {"C:\\Program Files\\Velmora Filters\\", false, "C:\\Program Files\\Velmora Filters"},
        {"C:\\Program Files\\Velmora Filters\\\\", false, "C:\\Program Files\\Velmora Filters"},
        {"C:/Program Files/Velmora Filters", false, "C:\\Program Files\\Velmora Filters"},
        {"c:\\\\program files//velmora filters/", false, "C:\\program files\\velmora filters"},
        {"%ProgramFiles%\\Velmora Filters", true, "C:\\Program Files\\Velmora Filters"},
        {"C:\\Velmora Filters", false, "C:\\Velmora Filters"},
        {"C:\\Windows Filters", false, "C:\\Windows Filters"},
        {"C:\\Users\\bob\\AppData\\Local\\Programs\\Velmora", false, "C:\\Users\\bob\\AppData\\Local\\Programs\\Velmora"},
        {"D:\\Filters", false, "D:\\Filters"}, // nothing there: nothing to delete
        // Other spellings of the Windows directory and what lies in it.
        {"C:\\windows.", false, nullptr},
        {"C:\\windows ", false, nullptr},
        {"C:\\windows.\\system32", false, nullptr},
        {"\\\\.\\C:\\windows", false, nullptr},
        {"\\\\?\\C:\\windows", false, nullptr},
        {"\\??\\C:\\windows", false, nullptr},
        {"\\\\localhost\\C$\\windows", false, nullptr},
        {"\\\\127.0.0.1\\ADMIN$\\system32", false, nullptr},
        {"//localhost/C$/windows", false, nullptr},
        {"C:\\WINDOWS", false, nullptr},
        {"c:/windows/", false, nullptr},
        {"C:\\Windows\\System32\\drivers", false, nullptr},
        {"c:/windows/fonts", false, nullptr},
        {"C:\\Shortcut", false, nullptr}, // a link to the Windows directory
        {"C:\\Shortcut\\System32", false, nullptr},
        {"C:\\Program Files\\..\\Windows", false, nullptr},
        {"C:\\Program Files\\Velmora Filters\\.", false, nullptr},
        // Shell folders, the temporary directory and what holds them.
        {"C:\\Program Files", false, nullptr},
        {"c:\\program files\\", false, nullptr},
        {"C:\\Program Files (x86)", false, nullptr},
        {"C:\\ProgramData", false, nullptr},
        {"C:\\Users", false, nullptr},
        {"C:\\Users\\Public", false, nullptr},
        {"C:\\Users\\bob", false, nullptr},
        {"%USERPROFILE%", true, nullptr},
        {"C:\\Users\\bob\\Desktop", false, nullptr},
        {"C:\\Users\\bob\\Documents", false, nullptr},
        {"C:\\Users\\bob\\AppData", false, nullptr},
        {"C:\\Users\\bob\\AppData\\Local\\Temp", false, nullptr},
        // Roots, relative paths and characters no name holds.
        {"", false, nullptr},
        {"C:\\", false, nullptr},
        {"C:", false, nullptr},
        {"c:/", false, nullptr},
        {"C:\\\\", false, nullptr},
        {"Velmora Filters", false, nullptr},
        {"Program Files\\Velmora Filters", false, nullptr},
        {"C:Velmora Filters", false, nullptr},
        {"\\Velmora Filters", false, nullptr},
        {"%ProgramFiles%\\Velmora Filters", false, nullptr}, // a REG_SZ is taken as it stands
        {"C:\\Filters\\*", false, nullptr},
        {"C:\\Fil?ers", false, nullptr},
        {"C:\\Filters:stream", false, nullptr},
        {"C:\\Fil\"ters", false, nullptr},
        {"C:\\Fil|ters", false, nullptr},
        {"C:\\Fil\tters", false, nullptr},
    };
    for (const auto &c : cases) {
        char path[kPathCapacity] = "untouched";
        bool accepted = removal_installation_path(c.value, c.expand, drive.protect, path);
        EXPECT_EQ(accepted, c.path != nullptr) << '"' << c.value << '"';
        EXPECT_EQ(std::string(path), c.path != nullptr ? c.path : "") << '"' << c.value << '"';
    }
    // Until the Windows directory is known, nothing is accepted.
    char path[kPathCapacity];
    EXPECT_FALSE(removal_installation_path("C:\\Velmora Filters", false, ProtectedDirectories{}, path));
    // A path the buffer cannot hold is refused, never cut.
    std::string long_path = "C:\\" + std::string(kPathCapacity, 'v');
    EXPECT_FALSE(removal_installation_path(long_path, false, drive.protect, path));
}

TEST(TreeDeletion, LinksInTheTreeAreRemovedNeverFollowed) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"bin/Bmpload.exe", "docs/readme.txt"});
    fs::create_directories(dir.path / "canary" / "inner");
    write_text(dir.file("canary/keep.txt"), "keep");
    write_text(dir.file("canary/inner/keep.txt"), "keep");
    fs::create_directory_symlink(dir.path / "canary", InstallationBuilder::host(install.at("docs/link")));
    fs::create_symlink(dir.path / "canary" / "keep.txt", InstallationBuilder::host(install.at("bin/file-link")));
    RemovalState state{};

    EXPECT_EQ(removal_delete_tree(state, install.root.c_str(), "*.*"), nullptr);

    EXPECT_FALSE(install.exists());
    EXPECT_EQ(read_text(dir.file("canary/keep.txt")), "keep");
    EXPECT_EQ(read_text(dir.file("canary/inner/keep.txt")), "keep");
}

TEST(TreeDeletion, NamesBeyondASingleByteCodePageAreDeleted) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"\xE6\x97\xA5\xE6\x9C\xAC/\xCE\xA9mega.txt", "na\xC3\xAFve.txt", "plain.txt"});
    RemovalState state{};
    EXPECT_EQ(removal_delete_tree(state, install.root.c_str(), "*.*"), nullptr);
    EXPECT_FALSE(install.exists());
}

TEST(RegistryItems, RootNamesMatchWithoutCaseAndTheLastPartNamesAValue) {
    struct Case {
        const char *text;
        bool parsed;
        RootKey root;
        const char *key;
        const char *value;
        bool names_key;
    };
    const Case cases[] = {
        {"HKLM\\Software\\Velmora\\Filters\\", true, RootKey::local_machine, "Software\\Velmora\\Filters", "", true},
        {"hkey_local_machine\\Software\\X\\HelpLink", true, RootKey::local_machine, "Software\\X", "HelpLink", false},
        {"HKEY_CLASSES_ROOT\\.ddf\\", true, RootKey::classes_root, ".ddf", "", true},
        {"HKCR\\.ddf\\Content Type", true, RootKey::classes_root, ".ddf", "Content Type", false},
        {"HKEY_CURRENT_USER\\Software\\", true, RootKey::current_user, "Software", "", true},
        {"hkcu\\Software\\", true, RootKey::current_user, "Software", "", true},
        {"HKEY_USERS\\.DEFAULT\\", true, RootKey::users, ".DEFAULT", "", true},
        {"HKU\\.DEFAULT\\", true, RootKey::users, ".DEFAULT", "", true},
        {"HKEY_CURRENT_CONFIG\\Software\\", true, RootKey::current_config, "Software", "", true},
        {"HKCC\\Software\\", true, RootKey::current_config, "Software", "", true},
        {"HKXX\\Software\\", false, RootKey::local_machine, "", "", false},
        {"HKLM\\", false, RootKey::local_machine, "", "", false},
        {"HKLM\\Value", false, RootKey::local_machine, "", "", false},
        {"HKLM", false, RootKey::local_machine, "", "", false},
        {"HKLM\\Software\\\\", false, RootKey::local_machine, "", "", false},
    };
    for (const auto &c : cases) {
        RegistryItem item{};
        ASSERT_EQ(registry_item_parse(c.text, item), c.parsed) << c.text;
        if (!c.parsed) continue;
        EXPECT_EQ(item.root, c.root) << c.text;
        EXPECT_EQ(item.key, c.key) << c.text;
        EXPECT_EQ(item.value, c.value) << c.text;
        EXPECT_EQ(item.names_key, c.names_key) << c.text;
    }
    for (const char *text : kRegistryItems) {
        RegistryItem item{};
        EXPECT_TRUE(registry_item_parse(text, item)) << text;
    }
}

// Points the temporary directory at a test directory for one test.
struct TemporaryDirectoryOverride {
    std::string saved;
    bool had;
    explicit TemporaryDirectoryOverride(const std::string &directory) {
        const char *old = std::getenv("TMPDIR");
        had = old != nullptr;
        if (had) saved = old;
        setenv("TMPDIR", directory.c_str(), 1);
    }
    ~TemporaryDirectoryOverride() {
        if (had) setenv("TMPDIR", saved.c_str(), 1);
        else unsetenv("TMPDIR");
    }
};

TEST(DeletionCopy, CopiesTheProgramToTheTemporaryDirectoryHeldOpenUntilStarted) {
    TempDir dir;
    fs::create_directory(dir.path / "Local Settings");
    std::string temporary = (dir.path / "Local Settings").string();
    write_text(dir.file("uninstallkv.exe"), "MZ program bytes");
    write_text(temporary + "/uninstallkv.exe", "an older copy that is replaced");
    RemovalState state{dir.file("uninstallkv.exe"), quoted({"C:\\Filters\\uninstallkv.exe", "C:\\Filters"})};
    TemporaryDirectoryOverride use(temporary);

    char copy[kPathCapacity];
    HANDLE held = removal_copy_prepare(state, copy, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::string(copy), temporary + "/uninstallkv.exe");
    EXPECT_EQ(read_file(copy), read_file(dir.file("uninstallkv.exe")));
    EXPECT_EQ(removal_copy_command(copy, state.deferred),
              "\"" + temporary + "/uninstallkv.exe\" -u \"C:\\Filters\\uninstallkv.exe\" \"C:\\Filters\"");
    // The last handle gone, the copy goes with it.
    EXPECT_TRUE(CloseHandle(held));
    EXPECT_FALSE(fs::exists(copy));

    RemovalState unknown{};
    EXPECT_EQ(removal_copy_prepare(unknown, copy, nullptr), INVALID_HANDLE_VALUE);
    // A temporary directory that cannot take the copy starts nothing.
    TemporaryDirectoryOverride missing(dir.file("missing"));
    EXPECT_EQ(removal_copy_prepare(state, copy, nullptr), INVALID_HANDLE_VALUE);
}

TEST(DeletionCopy, ATemporaryDirectoryTooLongForTheBufferStartsNoCopy) {
    TempDir dir;
    write_text(dir.file("uninstallkv.exe"), "MZ");
    std::string temporary = dir.path.string() + "/" + std::string(kPathCapacity - dir.path.string().size() - 10, 't');
    fs::create_directory(temporary);
    TemporaryDirectoryOverride use(temporary);
    RemovalState state{dir.file("uninstallkv.exe"), ""};
    char copy[kPathCapacity];
    EXPECT_EQ(removal_copy_prepare(state, copy, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(fs::is_empty(temporary));
}

TEST(DeletionPass, WaitsASecondThenRemovesEachPathInOrderIgnoringFailures) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"bin/uninstallkv.exe", "kept/", "kept/file.txt", "other.txt"});
    std::string deep = std::string(150, 'x') + "/" + std::string(150, 'y') + "/long.txt";
    install.add({std::string_view(deep)});
    std::vector<std::string> paths{install.at("bin/uninstallkv.exe"), install.at("missing"), install.at("kept"),
                                   install.at("bin"), install.at(deep), install.at("other.txt")};
    std::vector<const char *> arguments;
    for (const auto &path : paths) arguments.push_back(path.c_str());

    auto start = std::chrono::steady_clock::now();
    removal_deletion_pass(arguments);
    auto waited = std::chrono::steady_clock::now() - start;

    EXPECT_GE(waited, std::chrono::milliseconds(1000));
    // "kept" is not empty and the long path is skipped; everything else went in turn.
    EXPECT_EQ(install.remaining(),
              (std::set<std::string>{"kept/", "kept/file.txt", std::string(150, 'x') + "/",
                                    std::string(150, 'x') + "/" + std::string(150, 'y') + "/", deep}));
}

TEST(OwnPath, IsTheRunningProgramAndAPathTooLongStaysUnknown) {
    RemovalState state{};
    removal_note_own_path(state);
    std::string running = fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(state.own_path, running.size() < kPathCapacity ? running : "");

    char cut[8];
    EXPECT_EQ(GetModuleFileNameA(nullptr, cut, sizeof cut), sizeof cut);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(cut), running.substr(0, 7));
}

} // namespace
