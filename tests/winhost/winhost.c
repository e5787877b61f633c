/* Runs one filter as the host program does and reports its outcome:
 *   winhost <report file> <program.exe> [arguments...]
 * The report holds the exit code on its first line and, when the code is not
 * 0, the name of the global atom it numbers (the filter's failure text); the
 * atom is then deleted, as the host does. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static void append_quoted(char *line, size_t size, const char *argument) {
    size_t used = strlen(line);
    snprintf(line + used, size - used, "%s\"%s\"", used ? " " : "", argument);
}

int main(int argc, char **argv) {
    static char command_line[32768];
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    DWORD exit_code = 0;
    FILE *report;
    int i;

    if (argc < 3) {
        fprintf(stderr, "usage: winhost <report file> <program.exe> [arguments...]\n");
        return 2;
    }
    for (i = 2; i < argc; i++) append_quoted(command_line, sizeof command_line, argv[i]);

    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(argv[2], command_line, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
        fprintf(stderr, "CreateProcess failed: %lu\n", (unsigned long)GetLastError());
        return 2;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    report = fopen(argv[1], "wb");
    if (report == NULL) return 2;
    fprintf(report, "%lu\n", (unsigned long)exit_code);
    if (exit_code != 0 && exit_code < 0x10000) {
        char name[256];
        UINT length = GlobalGetAtomNameA((ATOM)exit_code, name, sizeof name);
        if (length > 0) {
            fwrite(name, 1, length, report);
            GlobalDeleteAtom((ATOM)exit_code);
        }
    }
    fclose(report);
    return 0;
}
