// The removal as the wizard and the silent form both run it, the start of
// the deletion pass copy, and the copy's wait for the first run. Windows only.
#pragma once

#include "uninstall/removal.h"

// Deletes the recorded installation folder, then, once it is gone or
// scheduled for deletion at restart, the registry items and the vendor key if
// that is left empty. A recorded folder that is refused deletes nothing and
// keeps the registry items, so that the set stays registered and removal can
// be tried again; so does a tree that could not be removed.
RemovalResult removal_run(RemovalState &removal);

// The exit code that tells an administrator's tools how far removal got: 0
// done, ERROR_SUCCESS_REBOOT_REQUIRED when the rest goes at the next restart,
// ERROR_INSTALL_FAILURE when something is still there.
int removal_exit_code(RemovalResult result);

// Starts the temporary copy with "-u" and the deferred list, in the system
// directory, inheriting the handles that keep its file and directory ours
// until it ends. A copy that could not be made is not started.
void deletion_copy_start(RemovalState &removal);

// In the copy: waits, for a bounded time, until the run that started it has ended.
void first_run_wait();

// In the copy, once its pass is done: moves its own running file, by the
// handle that deletes it when the copy ends, out of its directory into the
// temporary directory, so that the directory is empty when its own handle
// closes and goes too.
void deletion_copy_leave_directory();
