// How a converter's failure reaches whoever started it. On Windows the exit
// code is the low 16 bits of a global atom named by the text (the host reads
// the atom back and deletes it). On POSIX the text goes to standard error and
// the exit status is 1.
#pragma once

namespace platform {

// The exit code of a failure whose text could not become an atom (the global
// atom table is full, or the text is empty), and of every failure on POSIX.
// A failure must never exit with 0, which the host takes for success. 1 lies
// in the integer-atom range (1 to 0xBFFF), where no string atom can be, so the
// host's GlobalGetAtomName reads "#1" from it, never another program's text;
// and it fits in 16 bits, so a host that keeps only the low half still sees a
// failure.
inline constexpr int kFailureWithoutAtom = 1;

int failure_exit_code(const char *text);

} // namespace platform
