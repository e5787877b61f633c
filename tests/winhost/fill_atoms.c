/* Runs a command with the global atom table full, as a long-running host that
 * never deletes its atoms leaves it:
 *   fill_atoms <program.exe> [arguments...]
 * The table is shared by every program of the session, so whatever runs
 * meanwhile finds it full too: run this alone. The atoms are deleted again
 * when the command ends. Exits with the command's exit code, or 2 when the
 * table would not fill or the command would not start. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

/* String atoms are numbered 0xC000 to 0xFFFF: the table never holds more. */
#define MAX_STRING_ATOMS 0x4000

static void append_quoted(char *line, size_t size, const char *argument) {
    size_t used = strlen(line);
    snprintf(line + used, size - used, "%s\"%s\"", used ? " " : "", argument);
}

int main(int argc, char **argv) {
    static char command_line[32768];
    static ATOM added[MAX_STRING_ATOMS];
    unsigned count = 0, i;
    char name[64];
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    DWORD exit_code = 2;
    int started = 0;

    if (argc < 2) {
        fprintf(stderr, "usage: fill_atoms <program.exe> [arguments...]\n");
        return 2;
    }
    for (i = 1; i < (unsigned)argc; i++) append_quoted(command_line, sizeof command_line, argv[i]);

    while (count < MAX_STRING_ATOMS) {
        snprintf(name, sizeof name, "fill_atoms %lu %u", (unsigned long)GetCurrentProcessId(), count);
        if ((added[count] = GlobalAddAtomA(name)) == 0) break;
        count++;
    }
    if (count == 0 || GlobalAddAtomA("fill_atoms: one more") != 0) {
        fprintf(stderr, "fill_atoms: the atom table did not fill (%u atoms added)\n", count);
    } else {
        memset(&startup, 0, sizeof startup);
        startup.cb = sizeof startup;
        started = CreateProcessA(argv[1], command_line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process);
        if (!started) fprintf(stderr, "fill_atoms: CreateProcess failed: %lu\n", (unsigned long)GetLastError());
    }
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &exit_code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (i = 0; i < count; i++) GlobalDeleteAtom(added[i]);
    return (int)exit_code;
}
