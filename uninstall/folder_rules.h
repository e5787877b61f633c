// Which folders the filter set may own: the one rule that setup asks before
// it installs and the uninstaller before it deletes. Windows only.
#pragma once

#include "uninstall/removal.h"

#include <string>
#include <string_view>

// The directories no installation folder may be: the system's Windows
// directory with everything in it, the user's own Windows directory on a
// terminal server, the known shell folders and the temporary directory, each
// with every directory holding it. Without the Windows directory nothing is known.
ProtectedDirectories folder_rules_protected();

// Turns a folder into the one path the set may own, or refuses it (see
// removal_installation_path).
bool folder_rules_accept(std::wstring_view value, bool expand, std::wstring &path);
