/* Drives uninstallkv as a user would, for the end-to-end test:
 *   uninstall_driver <report file> <screenshot directory or -> <finish|straight|cancel> <uninstallkv.exe> [<temp directory>]
 * "finish" goes through every page: the close box answered No on page 1,
 * Back on page 2, Cancel answered No on page 2, then Continue and OK, and
 * takes a screenshot of each page (page1.bmp, page2.bmp, page3.bmp).
 * "straight" presses Continue on pages 1 and 2 and OK on page 3, and checks
 * that page 3 reports completion whatever was removed.
 * "cancel" leaves page 1 with Continue and answers Cancel on page 2 with Yes.
 * The report holds one line per step and ends with "result: ok" or
 * "result: failed: <why>"; the exit code is 0 or 1 as well. A temporary
 * directory given last becomes the uninstaller's TMP and TEMP, so that its
 * copy lands where the test looks (a path with spaces tests the copy's
 * quoted command line). */
#include <windows.h>
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

static const char *expect_page3(HWND page) {
    if (!field_is(page, 1018, "") || !field_is(page, 1019, "The removal of the filters is now complete.") ||
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

int main(int argc, char **argv) {
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    char command_line[MAX_PATH + 3];
    HWND main_window;
    const char *why;
    DWORD exit_code = 1;

    if ((argc != 5 && argc != 6) ||
        (strcmp(argv[3], "finish") != 0 && strcmp(argv[3], "straight") != 0 && strcmp(argv[3], "cancel") != 0)) {
        fprintf(stderr, "usage: uninstall_driver <report file> <screenshot directory or -> <finish|straight|cancel> "
                        "<uninstallkv.exe> [<temp directory>]\n");
        return 2;
    }
    report = fopen(argv[1], "w");
    if (report == NULL) return 2;
    if (snprintf(command_line, sizeof command_line, "\"%s\"", argv[4]) >= (int)sizeof command_line)
        return fail("the uninstaller's path is too long");

    if (argc == 6 && (!SetEnvironmentVariableA("TMP", argv[5]) || !SetEnvironmentVariableA("TEMP", argv[5])))
        return fail("cannot set the temporary directory");
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(argv[4], command_line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return fail("cannot start the uninstaller");
    uninstaller_id = process.dwProcessId;
    note("started %s", argv[4]);

    main_window = wait_top_window("Uninstall");
    if (main_window == NULL) {
        TerminateProcess(process.hProcess, 1);
        return fail("the main window did not appear");
    }
    if (!text_is(main_window, "Uninstall")) {
        TerminateProcess(process.hProcess, 1);
        return fail("the main window's caption is not \"Uninstall\"");
    }
    why = strcmp(argv[3], "finish") == 0     ? finish(main_window, argv[2])
          : strcmp(argv[3], "straight") == 0 ? straight(main_window)
                                             : cancel(main_window);
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
    if (exit_code != 0) return fail("the uninstaller's exit code is not 0");
    note("result: ok");
    fclose(report);
    return 0;
}
