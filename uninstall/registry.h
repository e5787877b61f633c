// The registry items of the filter set, through the Win32 registry calls.
// Windows only: the POSIX build has no registry.
#pragma once

#include "uninstall/removal.h"

// Reads the default value of the key `item` names into `text`: false when the
// key or value is missing, is not a string, is empty or does not fit.
// `expandable` tells a REG_EXPAND_SZ value, whose variables are still to expand.
bool registry_read_default(const char *item, char (&text)[kPathCapacity], bool &expandable);

// Deletes the key or value `item` names; a missing one changes nothing.
SystemRecord *registry_item_delete(const char *item);
