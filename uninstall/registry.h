// The registry items of the filter set, through the wide Win32 registry calls.
// Windows only: the POSIX build has no registry.
#pragma once

#include "uninstall/removal.h"

#include <string>

// Reads the default value of the key `item` names into `text`: false when the
// key or value is missing, is not a string or is empty. `expandable` tells a
// REG_EXPAND_SZ value, whose variables are still to expand.
bool registry_read_default(const char *item, std::wstring &text, bool &expandable);

// Deletes the key or value `item` names; a missing one changes nothing.
SystemRecord *registry_item_delete(const char *item);

// Deletes the key `item` names when it holds neither keys nor values.
SystemRecord *registry_key_delete_if_empty(const char *item);
