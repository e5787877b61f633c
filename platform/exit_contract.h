// How a converter's failure reaches whoever started it. On Windows the exit
// code is the low 16 bits of a global atom named by the text (the host reads
// the atom back and deletes it). On POSIX the text goes to standard error and
// the exit status is 1.
#pragma once

namespace platform {

int failure_exit_code(const char *text);

} // namespace platform
