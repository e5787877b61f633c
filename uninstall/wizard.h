// The interactive uninstaller: the wizard in its main window, then the start
// of the deletion pass copy. Windows only.
#pragma once

#include "platform/win32.h"

// Runs the whole interactive program; a quit at any page ends the process.
int wizard_main(HINSTANCE instance, int show);
