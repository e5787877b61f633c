// The interactive uninstaller: the wizard in its main window, then the start
// of the deletion pass copy; and the same removal without pages. Windows only.
#pragma once

#include "platform/win32.h"

// Runs the whole interactive program; a quit at any page ends the process.
// The exit code says how far removal got: 0 done, ERROR_INSTALL_USEREXIT
// when the user stopped it, ERROR_SUCCESS_REBOOT_REQUIRED when the rest goes
// at the next restart, ERROR_INSTALL_FAILURE when something is still there.
[[noreturn]] int wizard_main(HINSTANCE instance, int show);

// The removal with no window at all, for unattended use; the same exit codes.
[[noreturn]] int silent_main();
