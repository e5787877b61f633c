// The uninstaller's removal logic against the POSIX stand-ins: deferral by
// identity, tree deletion of read-only, odd and long names, the installation
// path check, the registry item paths, the deletion pass copy with what a
// hostile user plants in its way, and the "-u" pass.
#include "uninstall/removal.h"

#include "platform/win32_process.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

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

// The wide spelling of a UTF-8 test path.
std::wstring w(std::string_view text) {
    int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// The state of a run whose program file is at `path`.
RemovalState program_at(const std::string &path) {
    RemovalState state;
    EXPECT_TRUE(removal_note_program(state, w(path))) << path;
    return state;
}

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

std::wstring quoted(std::initializer_list<std::string> paths) {
    std::wstring list;
    for (const auto &path : paths) list += (list.empty() ? L"\"" : L" \"") + w(path) + L"\"";
    return list;
}

TEST(TreeDeletion, DefersTheOwnFileBeforeItsDirectoriesInnermostFirst) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"Bmpload.exe", "readme", "bin/uninstallkv.exe", "bin/help.txt", "bin/data/modes.txt", "docs/",
                 "docs/guide/intro.txt"});
    RemovalState state = program_at(install.at("bin/uninstallkv.exe"));

    EXPECT_EQ(removal_delete_tree(state, w(install.root + "\\"), L"*.*"), RemovalResult::complete);

    EXPECT_EQ(state.deferred, quoted({install.at("bin/uninstallkv.exe"), install.at("bin"), install.root}));
    EXPECT_EQ(install.remaining(), (std::set<std::string>{"bin/", "bin/uninstallkv.exe"}));

    // The copy's pass then removes them in list order: the file first, then the emptied directories.
    CloseHandle(state.own_file);
    removal_deletion_pass(std::vector<std::wstring>{w(install.at("bin/uninstallkv.exe")), w(install.at("bin")), w(install.root)});
    EXPECT_FALSE(install.exists());
}

TEST(TreeDeletion, ARunFromOutsideDefersNothing) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"uninstallkv.exe", "bin/Gifload.exe", "empty/"});
    write_text(dir.file("uninstallkv.exe"), "MZ elsewhere");
    RemovalState state = program_at(dir.file("uninstallkv.exe"));

    EXPECT_EQ(removal_delete_tree(state, w(install.root), L"*.*"), RemovalResult::complete);
    EXPECT_EQ(state.deferred, L"");
    EXPECT_FALSE(install.exists());
    CloseHandle(state.own_file);
}

TEST(TreeDeletion, APlainFileIsDeletedAndAMissingPathIsNothingToDo) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"single.txt"});
    RemovalState state{};
    EXPECT_EQ(removal_delete_tree(state, w(install.at("single.txt")), L"*.*"), RemovalResult::complete);
    EXPECT_FALSE(install.exists("single.txt"));
    EXPECT_EQ(removal_delete_tree(state, w(install.at("missing")), L"*.*"), RemovalResult::complete);
    EXPECT_TRUE(install.exists());
}

TEST(TreeDeletion, DeferralIsByIdentityWhateverTheSpelling) {
    // The program noted in another spelling is still itself; siblings that
    // merely start alike are not, and go.
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"Bin/uninstallkv.exe", "Bin/uninst", "Bin/uninstallkv.exe.bak", "Binder/x.txt", "other"});
    RemovalState state = program_at(dir.path.string() + "/FILTERS/bin/UNINSTALLKV.EXE");

    EXPECT_EQ(removal_delete_tree(state, w(install.root), L"*.*"), RemovalResult::complete);

    EXPECT_EQ(install.remaining(), (std::set<std::string>{"Bin/", "Bin/uninstallkv.exe"}));
    EXPECT_EQ(state.deferred, quoted({install.at("Bin/uninstallkv.exe"), install.at("Bin"), install.root}));
    CloseHandle(state.own_file);
}

TEST(TreeDeletion, ReadOnlyOddAndLongNamesAllGo) {
    // Nothing in the tree stops the walk: read-only files and directories,
    // names ending in a dot or a space, names no single-byte code page holds,
    // and paths far beyond 260 characters.
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e') + "/" + std::string(120, 'f');
    install.add({"a.txt", "locked.txt", "locked-dir/inner.txt", "dot./x.txt", "space /y.txt", "name.", "name ",
                 "\xE6\x97\xA5\xE6\x9C\xAC/\xCE\xA9mega.txt", "na\xC3\xAFve.txt", std::string_view(deep + "/long.txt")});
    for (const char *locked : {"locked.txt", "locked-dir/inner.txt", "locked-dir"})
        ASSERT_TRUE(SetFileAttributesA(install.at(locked).c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_GT(install.at(deep + "/long.txt").size(), 300u);
    RemovalState state{};

    EXPECT_EQ(removal_delete_tree(state, w(install.root), L"*.*"), RemovalResult::complete);
    EXPECT_FALSE(install.exists()) << testing::PrintToString(install.remaining());
}

TEST(TreeDeletion, TheEndOfTheEntriesIsNoFailure) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"empty/", "one/only.txt"});
    RemovalState state{};
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(removal_delete_tree(state, w(install.at("empty")), L"*.*"), RemovalResult::complete);
    EXPECT_FALSE(install.exists("empty"));
    EXPECT_EQ(removal_delete_tree(state, w(install.at("one")), L"*.*"), RemovalResult::complete);
    EXPECT_FALSE(install.exists("one"));
    // Had code 18 counted as a failure, this is the record the deletion would have returned.
    EXPECT_EQ(std::string(system_record("FindNextFile", ERROR_NO_MORE_FILES, nullptr)->text),
              "There are no more files.\r\n(FindNextFile) (18)");
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
        protect.known = removal_protect(protect, L"C:\\Windows", Protection::folder_and_contents);
        for (const char *folder : {"C:\\Users\\bob", "C:\\Users\\bob\\Desktop", "C:\\Users\\bob\\Documents",
                                   "C:\\Program Files", "C:\\Program Files (x86)", "C:\\ProgramData", "C:\\Users\\Public",
                                   "C:\\Users\\bob\\AppData\\Local\\Temp\\"})
            EXPECT_TRUE(removal_protect(protect, w(folder), Protection::folder)) << folder;
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
        {"C:\\\xCE\xA9mega \xE6\x97\xA5\xE6\x9C\xAC", false, "C:\\\xCE\xA9mega \xE6\x97\xA5\xE6\x9C\xAC"},
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
        std::wstring path = L"untouched";
        bool accepted = removal_installation_path(w(c.value), c.expand, drive.protect, path);
        EXPECT_EQ(accepted, c.path != nullptr) << '"' << c.value << '"';
        EXPECT_EQ(path, w(c.path != nullptr ? c.path : "")) << '"' << c.value << '"';
    }
    // Until the Windows directory is known, nothing is accepted.
    std::wstring path;
    EXPECT_FALSE(removal_installation_path(L"C:\\Velmora Filters", false, ProtectedDirectories{}, path));
    // Long paths are taken whole; one longer than any the system takes is refused, never cut.
    std::wstring part(120, L'v');
    EXPECT_TRUE(removal_installation_path(L"C:\\" + part + L"\\" + part + L"\\" + part, false, drive.protect, path));
    EXPECT_FALSE(removal_installation_path(L"C:\\" + std::wstring(32767, L'v'), false, drive.protect, path));
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

    EXPECT_EQ(removal_delete_tree(state, w(install.root), L"*.*"), RemovalResult::complete);

    EXPECT_FALSE(install.exists());
    EXPECT_EQ(read_text(dir.file("canary/keep.txt")), "keep");
    EXPECT_EQ(read_text(dir.file("canary/inner/keep.txt")), "keep");
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

// What a hostile user can plant where the copy would go.
enum class Plant { nothing, hard_link, symbolic_link, directory, read_only_file };

TEST(DeletionCopy, GoesIntoANewDirectoryOfItsOwnFromTheRunningFileWhateverIsPlanted) {
    for (Plant plant : {Plant::nothing, Plant::hard_link, Plant::symbolic_link, Plant::directory, Plant::read_only_file}) {
        SCOPED_TRACE(static_cast<int>(plant));
        TempDir dir;
        fs::create_directory(dir.path / "Local Settings");
        std::string temporary = (dir.path / "Local Settings").string();
        std::string planted = temporary + "/uninstallkv.exe";
        write_text(dir.file("canary.txt"), "keep");
        switch (plant) {
        case Plant::nothing: break;
        case Plant::hard_link: fs::create_hard_link(dir.file("canary.txt"), planted); break;
        case Plant::symbolic_link: fs::create_symlink(dir.file("canary.txt"), planted); break;
        case Plant::directory: fs::create_directory(planted); break;
        case Plant::read_only_file:
            write_text(planted, "keep");
            SetFileAttributesA(planted.c_str(), FILE_ATTRIBUTE_READONLY);
            break;
        }
        write_text(dir.file("uninstallkv.exe"), "MZ program bytes");
        RemovalState state = program_at(dir.file("uninstallkv.exe"));
        state.deferred = quoted({"C:\\Filters\\uninstallkv.exe", "C:\\Filters"});
        // The program's path now names other bytes: the copy is still of the running file.
        fs::rename(dir.file("uninstallkv.exe"), dir.file("moved.exe"));
        write_text(dir.file("uninstallkv.exe"), "MZ planted program");
        TemporaryDirectoryOverride use(temporary);

        DeletionCopy copy;
        ASSERT_TRUE(removal_copy_prepare(state, nullptr, nullptr, copy));
        fs::path made = InstallationBuilder::host(std::string(copy.path.begin(), copy.path.end()));
        EXPECT_EQ(made.filename(), "uninstallkv.exe");
        EXPECT_EQ(made.parent_path().parent_path(), fs::path(temporary));
        EXPECT_TRUE(made.parent_path().filename().string().starts_with("uninstallkv-"));
        EXPECT_EQ(read_text(made.string()), "MZ program bytes");
        EXPECT_EQ(removal_copy_command(copy.path, state.deferred),
                  L"\"" + copy.path + L"\" -u \"C:\\Filters\\uninstallkv.exe\" \"C:\\Filters\"");
        // The last handles gone, the copy and its directory go with them; the canary stays.
        removal_copy_close(copy);
        EXPECT_FALSE(fs::exists(made.parent_path()));
        EXPECT_EQ(read_text(dir.file("canary.txt")), "keep");
        EXPECT_EQ(fs::exists(fs::symlink_status(planted)), plant != Plant::nothing) << "what was planted is left alone";
        CloseHandle(state.own_file);
    }
}

TEST(DeletionCopy, NoCopyWithoutTheRunningFileOrThroughALinkedTemporaryDirectory) {
    TempDir dir;
    DeletionCopy copy;
    EXPECT_FALSE(removal_copy_prepare(RemovalState{}, nullptr, nullptr, copy));
    write_text(dir.file("uninstallkv.exe"), "MZ");
    RemovalState state = program_at(dir.file("uninstallkv.exe"));
    fs::create_directory(dir.path / "elsewhere");
    fs::create_directory_symlink(dir.path / "elsewhere", dir.path / "Temp");
    TemporaryDirectoryOverride use(dir.file("Temp"));
    EXPECT_FALSE(removal_copy_prepare(state, nullptr, nullptr, copy));
    EXPECT_TRUE(fs::is_empty(dir.path / "elsewhere"));
    CloseHandle(state.own_file);
}

TEST(DeletionPass, RemovesEachPathInOrderReadOnlyAndLongOnesTooNeverBehindALink) {
    TempDir dir;
    InstallationBuilder install(dir, "Filters");
    install.add({"bin/uninstallkv.exe", "kept/", "kept/file.txt", "other.txt"});
    std::string deep = std::string(150, 'x') + "/" + std::string(150, 'y') + "/long.txt";
    install.add({std::string_view(deep)});
    ASSERT_TRUE(SetFileAttributesA(install.at("bin/uninstallkv.exe").c_str(), FILE_ATTRIBUTE_READONLY));

    removal_deletion_pass(std::vector<std::wstring>{w(install.at("bin/uninstallkv.exe")), w(install.at("missing")),
                                                    w(install.at("kept")), w(install.at("bin")), w(install.at(deep)),
                                                    w(install.at("other.txt"))});

    // "kept" is not empty; everything else went in turn.
    EXPECT_EQ(install.remaining(), (std::set<std::string>{"kept/", "kept/file.txt", std::string(150, 'x') + "/",
                                                          std::string(150, 'x') + "/" + std::string(150, 'y') + "/"}));

    // A deferred directory replaced by a link once the first run has ended:
    // the link goes, and nothing behind it.
    fs::create_directories(dir.path / "canary");
    write_text(dir.file("canary/uninstallkv.exe"), "keep");
    fs::create_directory_symlink(dir.path / "canary", InstallationBuilder::host(install.at("swapped")));
    removal_deletion_pass(std::vector<std::wstring>{w(install.at("swapped/uninstallkv.exe")), w(install.at("swapped"))});
    EXPECT_EQ(read_text(dir.file("canary/uninstallkv.exe")), "keep");
    EXPECT_FALSE(fs::exists(fs::symlink_status(InstallationBuilder::host(install.at("swapped")))));
}

TEST(OwnPath, IsTheRunningProgramWithEveryDirectoryHoldingIt) {
    RemovalState state{};
    removal_note_own_path(state);
    std::string running = fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(state.own_path, w(running));
    fs::path parts(running);
    EXPECT_EQ(state.own.size(), static_cast<std::size_t>(std::distance(parts.begin(), parts.end())));
    CloseHandle(state.own_file);
}

} // namespace
