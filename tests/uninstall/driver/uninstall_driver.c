/* Drives uninstallkv as a user would, for the end-to-end test:
 *   uninstall_driver <report file> <screenshot directory or -> <scenario> <uninstallkv.exe> [<temp directory>]
 * The uninstaller is a path, or a command line that starts with a double quote
 * (as an UninstallString holds it), which is started as it stands.
 * "finish" goes through every page: the close box answered No on page 1,
 * Back on page 2, Cancel answered No on page 2, then Continue and OK, and
 * takes a screenshot of each page (page1.bmp, page2.bmp, page3.bmp).
 * "straight" presses Continue on pages 1 and 2 and OK on page 3, and checks
 * that page 3 reports completion; "restart" and "left" do the same and check
 * that page 3 says what could not be removed, and the exit code 3010 or 1603.
 * "cancel" leaves page 1 with Continue and answers Cancel on page 2 with Yes:
 * exit code 1602. "silent" starts it with "/S" and checks that it ends with
 * exit code 0 and never shows a window. The others end with exit code 0.
 * When UNINSTALL_HOLD names a file, the driver holds it open (shared for
 * reading alone, as an editor would) while the uninstaller runs; when
 * UNINSTALL_DIRECTORY names a folder, the uninstaller starts with it as its
 * current directory.
 * The report holds one line per step and ends with "result: ok" or
 * "result: failed: <why>"; the exit code is 0 or 1 as well. A temporary
 * directory given last becomes the uninstaller's TMP and TEMP, so that its
 * copy lands where the test looks (a path with spaces tests the copy's
 * quoted command line). */
#include <windows.h>
#include <shellapi.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#define WAIT_MS 20000
#define POLL_MS 50

static FILE *report;
static DWORD uninstaller_id;

static void note(const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    vfprintf(report, format, arguments);
    va_end(arguments);
    fputc('\n', report);
    fflush(report);
}

static int fail(const char *why) {
    note("result: failed: %s", why);
    fclose(report);
    return 1;
}

static int is_class(HWND window, const char *name) {
    char found[64];
    if (GetClassNameA(window, found, sizeof found) == 0) return 0;
    return lstrcmpiA(found, name) == 0;
}

static int belongs_to_uninstaller(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id == uninstaller_id;
}

struct TopSearch {
    const char *class_name;
    HWND found;
};

static BOOL CALLBACK top_window_visit(HWND window, LPARAM parameter) {
    struct TopSearch *search = (struct TopSearch *)parameter;
    if (IsWindowVisible(window) && belongs_to_uninstaller(window) && is_class(window, search->class_name)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

/* The uninstaller's visible top-level window of a class, or null. */
static HWND top_window(const char *class_name) {
    struct TopSearch search = {class_name, NULL};
    EnumWindows(top_window_visit, (LPARAM)&search);
    return search.found;
}

/* The visible page of the main window that holds control `field`, or null. */
static HWND page_with(HWND main_window, int field) {
    HWND child = NULL;
    while ((child = FindWindowExA(main_window, child, "Uninstall", NULL)) != NULL)
        if (IsWindowVisible(child) && GetDlgItem(child, field) != NULL) return child;
    return NULL;
}

static HWND wait_top_window(const char *class_name) {
    DWORD waited;
    for (waited = 0; waited < WAIT_MS; waited += POLL_MS) {
        HWND window = top_window(class_name);
        if (window != NULL) return window;
        Sleep(POLL_MS);
    }
    return NULL;
}

static HWND wait_page(HWND main_window, int field) {
    DWORD waited;
    for (waited = 0; waited < WAIT_MS; waited += POLL_MS) {
        HWND page = page_with(main_window, field);
        if (page != NULL) {
            Sleep(300); /* let it paint */
            return page;
        }
        Sleep(POLL_MS);
    }
    return NULL;
}

static int wait_no_top_window(const char *class_name) {
    DWORD waited;
    for (waited = 0; waited < WAIT_MS; waited += POLL_MS) {
        if (top_window(class_name) == NULL) return 1;
        Sleep(POLL_MS);
    }
    return 0;
}

static int text_is(HWND window, const char *expected) {
    char text[512];
    GetWindowTextA(window, text, sizeof text);
    return strcmp(text, expected) == 0;
}

static int field_is(HWND page, int field, const char *expected) {
    HWND control = GetDlgItem(page, field);
    return control != NULL && text_is(control, expected);
}

static int press(HWND dialog, int control_id) {
    HWND button = GetDlgItem(dialog, control_id);
    if (button == NULL) return 0;
    return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

struct TextSearch {
    const char *text;
    int found;
};

static BOOL CALLBACK text_visit(HWND window, LPARAM parameter) {
    struct TextSearch *search = (struct TextSearch *)parameter;
    if (text_is(window, search->text)) {
        search->found = 1;
        return FALSE;
    }
    return TRUE;
}

/* Waits for the stop question and answers it with IDYES or IDNO. */
static const char *answer_question(int answer) {
    struct TextSearch search = {"Do you want to stop uninstallation?", 0};
    HWND box = wait_top_window("#32770");
    if (box == NULL) return "no question appeared";
    Sleep(300);
    if (!text_is(box, "Uninstall")) return "the question's caption is not \"Uninstall\"";
    EnumChildWindows(box, text_visit, (LPARAM)&search);
    if (!search.found) return "the question's text is not \"Do you want to stop uninstallation?\"";
    if (!press(box, answer)) return "the question has no such button";
    if (!wait_no_top_window("#32770")) return "the question stayed open";
    return NULL;
}

/* Copies the main window's part of the screen into a 24-bit BMP file. */
static int screenshot(HWND window, const char *directory, const char *name) {
    char path[MAX_PATH];
    RECT area;
    HDC screen, memory;
    HBITMAP bitmap;
    BITMAPINFO info;
    BITMAPFILEHEADER file_header;
    int width, height;
    DWORD row_bytes, size;
    unsigned char *pixels;
    FILE *out;

    if (strcmp(directory, "-") == 0) return 1;
    if (snprintf(path, sizeof path, "%s\\%s", directory, name) >= (int)sizeof path) return 0;
    GetWindowRect(window, &area);
    width = area.right - area.left;
    height = area.bottom - area.top;
    screen = GetDC(NULL);
    memory = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);

    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    row_bytes = ((DWORD)width * 3 + 3) & ~3u;
    size = row_bytes * (DWORD)height;
    pixels = (unsigned char *)HeapAlloc(GetProcessHeap(), 0, size);
    if (pixels == NULL) return 0;
    GetDIBits(memory, bitmap, 0, (UINT)height, pixels, &info, DIB_RGB_COLORS);

    memset(&file_header, 0, sizeof file_header);
    file_header.bfType = 0x4d42;
    file_header.bfOffBits = sizeof file_header + sizeof info.bmiHeader;
    file_header.bfSize = file_header.bfOffBits + size;
    out = fopen(path, "wb");
    if (out != NULL) {
        fwrite(&file_header, sizeof file_header, 1, out);
        fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        fwrite(pixels, 1, size, out);
        fclose(out);
    }
    HeapFree(GetProcessHeap(), 0, pixels);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    note("screenshot %s: %dx%d", name, width, height);
    return out != NULL;
}

static const char *expect_page1(HWND page) {
    if (!field_is(page, 1011, "This program will remove all Velmora's Filters from your computer") ||
        !field_is(page, 1012, "Once they are removed you will not be able to use them from programs.") ||
        !field_is(page, 1013, "") || !field_is(page, IDOK, "Continue...") || !field_is(page, IDCANCEL, "Cancel"))
        return "page 1 does not hold its texts";
    return NULL;
}

static const char *expect_page2(HWND page) {
    if (!field_is(page, 1014, "You are now ready to remove the filters.") ||
        !field_is(page, 1015, "Click on Continue to commence.") || !field_is(page, 1016, "") ||
        !field_is(page, 1017, "Back") || !field_is(page, IDCANCEL, "Cancel") || !field_is(page, IDOK, "Continue"))
        return "page 2 does not hold its texts";
    return NULL;
}

/* Page 3's second line, by how far removal got. */
static const char *page3_result = "The removal of the filters is now complete.";

static const char *expect_page3(HWND page) {
    if (!field_is(page, 1018, "") || !field_is(page, 1019, page3_result) ||
        !field_is(page, 1020, "Click on OK to finish this program") || !field_is(page, IDOK, "OK"))
        return "page 3 does not hold its texts";
    return NULL;
}

#define CHECK(step)                                                                                                    \
    do {                                                                                                               \
        const char *why_ = (step);                                                                                     \
        if (why_ != NULL) return why_;                                                                                 \
    } while (0)

static const char *finish(HWND main_window, const char *shots) {
    HWND page;
    note("page 1");
    if ((page = wait_page(main_window, 1011)) == NULL) return "page 1 did not appear";
    CHECK(expect_page1(page));
    if (!screenshot(main_window, shots, "page1.bmp")) return "cannot write page1.bmp";

    note("close box, answered No");
    PostMessageA(main_window, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK(answer_question(IDNO));
    if (!IsWindow(page) || page_with(main_window, 1011) != page) return "page 1 went after No";

    note("page 1 Continue...");
    press(page, IDOK);
    if ((page = wait_page(main_window, 1014)) == NULL) return "page 2 did not appear";
    CHECK(expect_page2(page));
    if (!screenshot(main_window, shots, "page2.bmp")) return "cannot write page2.bmp";

    note("page 2 Back");
    press(page, 1017);
    if ((page = wait_page(main_window, 1011)) == NULL) return "Back did not show page 1";
    note("page 1 Continue...");
    press(page, IDOK);
    if ((page = wait_page(main_window, 1014)) == NULL) return "page 2 did not appear again";

    note("page 2 Cancel, answered No");
    press(page, IDCANCEL);
    CHECK(answer_question(IDNO));
    if (!IsWindow(page) || page_with(main_window, 1014) != page) return "page 2 went after No";

    note("page 2 Continue");
    press(page, IDOK);
    if ((page = wait_page(main_window, 1018)) == NULL) return "page 3 did not appear";
    CHECK(expect_page3(page));
    if (!screenshot(main_window, shots, "page3.bmp")) return "cannot write page3.bmp";

    note("page 3 OK");
    press(page, IDOK);
    return NULL;
}

/* Leaves page 1 with Continue...: page 2, or null when a page did not appear. */
static HWND to_page2(HWND main_window) {
    HWND page;
    note("page 1");
    if ((page = wait_page(main_window, 1011)) == NULL) return NULL;
    note("page 1 Continue...");
    press(page, IDOK);
    return wait_page(main_window, 1014);
}

static const char *straight(HWND main_window) {
    HWND page;
    if ((page = to_page2(main_window)) == NULL) return "page 1 or 2 did not appear";
    note("page 2 Continue");
    press(page, IDOK);
    if ((page = wait_page(main_window, 1018)) == NULL) return "page 3 did not appear";
    CHECK(expect_page3(page));
    note("page 3 OK");
    press(page, IDOK);
    return NULL;
}

static const char *cancel(HWND main_window) {
    HWND page;
    if ((page = to_page2(main_window)) == NULL) return "page 1 or 2 did not appear";
    note("page 2 Cancel, answered Yes");
    press(page, IDCANCEL);
    return answer_question(IDYES);
}

struct Scenario {
    const char *name;
    const char *(*run)(HWND main_window, const char *shots);
    const char *page3_result;
    DWORD exit_code;
};

static const char *straight_with(HWND main_window, const char *shots) {
    (void)shots;
    return straight(main_window);
}

static const char *cancel_with(HWND main_window, const char *shots) {
    (void)shots;
    return cancel(main_window);
}

static const struct Scenario scenarios[] = {
    {"finish", finish, "The removal of the filters is now complete.", 0},
    {"straight", straight_with, "The removal of the filters is now complete.", 0},
    {"restart", straight_with,
     "Some files could not be removed now; they will be removed when the computer restarts.", 3010},
    {"left", straight_with, "Some files could not be removed and are still on this computer.", 1603},
    {"cancel", cancel_with, NULL, 1602},
    {"silent", NULL, NULL, 0}, /* no pages: main() watches that no window appears */
};

int main(int argc, char **argv) {
    STARTUPINFOW startup;
    /* The uninstaller's path in wide characters: it may name a folder outside the ANSI code page. */
    LPWSTR *wide_arguments;
    int wide_count = 0;
    wchar_t wide_line[MAX_PATH + 8];
    wchar_t directory[MAX_PATH];
    PROCESS_INFORMATION process;
    char command_line[MAX_PATH + 8];
    char hold_path[MAX_PATH];
    HANDLE held = INVALID_HANDLE_VALUE;
    HWND main_window;
    const char *application;
    const char *why;
    DWORD exit_code = 1;
    const struct Scenario *scenario = NULL;
    size_t i;

    for (i = 0; argc >= 4 && i < sizeof scenarios / sizeof scenarios[0]; ++i)
        if (strcmp(argv[3], scenarios[i].name) == 0) scenario = &scenarios[i];
    if ((argc != 5 && argc != 6) || scenario == NULL) {
        fprintf(stderr, "usage: uninstall_driver <report file> <screenshot directory or -> "
                        "<finish|straight|restart|left|cancel|silent> <uninstallkv.exe> [<temp directory>]\n");
        return 2;
    }
    if (scenario->page3_result != NULL) page3_result = scenario->page3_result;
    report = fopen(argv[1], "w");
    if (report == NULL) return 2;
    application = argv[4][0] == '"' ? NULL : argv[4];
    if (snprintf(command_line, sizeof command_line, application ? "\"%s\"%s" : "%s%s", argv[4],
                 scenario->run == NULL ? " /S" : "") >= (int)sizeof command_line)
        return fail("the uninstaller's path is too long");
    wide_arguments = CommandLineToArgvW(GetCommandLineW(), &wide_count);
    if (wide_arguments == NULL || wide_count != argc ||
        _snwprintf(wide_line, MAX_PATH + 8, application ? L"\"%ls\"%ls" : L"%ls%ls", wide_arguments[4],
                   scenario->run == NULL ? L" /S" : L"") < 0)
        return fail("cannot read the uninstaller's path");
    wide_line[MAX_PATH + 7] = L'\0';
    if (GetEnvironmentVariableA("UNINSTALL_HOLD", hold_path, sizeof hold_path) - 1u < sizeof hold_path - 1u) {
        held = CreateFileA(hold_path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        if (held == INVALID_HANDLE_VALUE) return fail("cannot hold the file UNINSTALL_HOLD names");
        note("holding %s", hold_path);
    }

    if (argc == 6 && (!SetEnvironmentVariableA("TMP", argv[5]) || !SetEnvironmentVariableA("TEMP", argv[5])))
        return fail("cannot set the temporary directory");
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (GetEnvironmentVariableW(L"UNINSTALL_DIRECTORY", directory, MAX_PATH) - 1u >= MAX_PATH - 1u) directory[0] = L'\0';
    if (!CreateProcessW(application ? wide_arguments[4] : NULL, wide_line, NULL, NULL, FALSE, 0, NULL,
                        directory[0] != L'\0' ? directory : NULL, &startup, &process))
        return fail("cannot start the uninstaller");
    uninstaller_id = process.dwProcessId;
    note("started %s", command_line);

    if (scenario->run == NULL) {
        DWORD waited;
        for (waited = 0; waited < WAIT_MS; waited += POLL_MS) {
            if (top_window("Uninstall") != NULL || top_window("#32770") != NULL) {
                TerminateProcess(process.hProcess, 1);
                return fail("a window appeared");
            }
            if (WaitForSingleObject(process.hProcess, POLL_MS) == WAIT_OBJECT_0) break;
        }
        why = NULL;
    } else if ((main_window = wait_top_window("Uninstall")) == NULL) {
        why = "the main window did not appear";
    } else if (!text_is(main_window, "Uninstall")) {
        why = "the main window's caption is not \"Uninstall\"";
    } else {
        why = scenario->run(main_window, argv[2]);
    }
    if (why != NULL) {
        TerminateProcess(process.hProcess, 1);
        return fail(why);
    }
    if (WaitForSingleObject(process.hProcess, WAIT_MS) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        return fail("the uninstaller did not end");
    }
    GetExitCodeProcess(process.hProcess, &exit_code);
    note("exit code %lu", (unsigned long)exit_code);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    if (exit_code != scenario->exit_code) return fail("the uninstaller's exit code is not the scenario's");
    note("result: ok");
    fclose(report);
    return 0;
}
