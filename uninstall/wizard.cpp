// The wizard: the "Uninstall" window class and its one window procedure for
// the main window and the pages, the pages with their button handlers and
// the message loop around the removal run.
#include "uninstall/wizard.h"

#include "uninstall/dialog_ids.h"
#include "uninstall/run.h"

namespace {

constexpr const char *kClassName = "Uninstall";
constexpr const char *kCaption = "Uninstall";
constexpr const char *kStopQuestion = "Do you want to stop uninstallation?";

enum class PageExit { none, next, back };

using ButtonHandler = LRESULT (*)(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

struct PageText {
    int id;
    const char *text;
};

struct Page {
    const char *template_name;
    ButtonHandler handler;
    PageText texts[3];
};

// The run's state; the program is single-shot and frees nothing before it ends.
RemovalState removal;
HINSTANCE program_instance;
HWND main_window;
HWND page_window;
ButtonHandler page_handler;
bool page_open;
PageExit page_exit;
// Until removal has run, a quit is the user's cancellation.
bool removal_done;
int exit_code = ERROR_INSTALL_FAILURE;
// Page 3's second line: completion, or the one sentence that says what is left.
const char *result_sentence = "The removal of the filters is now complete.";

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

void ask_to_stop() {
    if (MessageBoxA(main_window, kStopQuestion, kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    if (!removal_done) exit_code = ERROR_INSTALL_USEREXIT;
    PostQuitMessage(0);
}

// Ends the program; what removal deferred goes to the copy first.
[[noreturn]] void wizard_end() {
    if (!removal.deferred.empty()) deletion_copy_start(removal);
    ExitProcess(static_cast<UINT>(exit_code));
}

void page_close(PageExit exit) {
    HWND page = page_window;
    page_window = nullptr;
    page_handler = nullptr;
    page_open = false;
    page_exit = exit;
    if (!DestroyWindow(page)) system_record("DestroyWindow", GetLastError(), nullptr);
}

bool is_button_command(UINT message, WPARAM wparam) {
    return message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED;
}

LRESULT page1_buttons(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    if (is_button_command(message, wparam)) {
        switch (LOWORD(wparam)) {
        case IDOK: page_close(PageExit::next); return 0;
        case IDCANCEL: ask_to_stop(); return 0;
        default: break;
        }
    }
    return DefDlgProcA(page, message, wparam, lparam);
}

LRESULT page2_buttons(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    if (is_button_command(message, wparam)) {
        switch (LOWORD(wparam)) {
        case IDOK: page_close(PageExit::next); return 0;
        case IDCANCEL: ask_to_stop(); return 0;
        case IDC_PROMPT2_BACK: page_close(PageExit::back); return 0;
        default: break;
        }
    }
    return DefDlgProcA(page, message, wparam, lparam);
}

LRESULT page3_buttons(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    if (is_button_command(message, wparam) && LOWORD(wparam) == IDOK) {
        page_close(PageExit::next);
        return 0;
    }
    return DefDlgProcA(page, message, wparam, lparam);
}

const Page kPages[] = {
    {"PROMPT1",
     page1_buttons,
     {{IDC_PROMPT1_TEXT1, "This program will remove all Velmora's Filters from your computer"},
      {IDC_PROMPT1_TEXT2, "Once they are removed you will not be able to use them from programs."},
      {IDC_PROMPT1_TEXT3, ""}}},
    {"PROMPT2",
     page2_buttons,
     {{IDC_PROMPT2_TEXT1, "You are now ready to remove the filters."},
      {IDC_PROMPT2_TEXT2, "Click on Continue to commence."},
      {IDC_PROMPT2_TEXT3, ""}}},
    {"PROMPT3",
     page3_buttons,
     {{IDC_PROMPT3_TEXT1, ""},
      {IDC_PROMPT3_TEXT2, nullptr}, // the result sentence
      {IDC_PROMPT3_TEXT3, "Click on OK to finish this program"}}},
};

// The window a message belongs to, or its nearest ancestor, that runs this
// program's window procedure: the one whose dialog keys apply.
HWND own_window_for(HWND window) {
    while (window != nullptr &&
           GetWindowLongPtrA(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&window_procedure))
        window = GetParent(window);
    return window;
}

// Runs while a page is open; a quit message ends the process at once.
void message_loop() {
    MSG message;
    while (page_open) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) wizard_end();
        HWND dialog = own_window_for(message.hwnd);
        if (dialog != nullptr && IsDialogMessageA(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

PageExit page_show(const Page &page) {
    page_exit = PageExit::none;
    HWND window = CreateDialogParamA(program_instance, page.template_name, main_window, nullptr, 0);
    if (window == nullptr) {
        system_record("CreateDialog", GetLastError(), page.template_name);
        return PageExit::none;
    }
    page_window = window;
    page_handler = page.handler;
    for (const PageText &field : page.texts) {
        HWND control = GetDlgItem(window, field.id);
        if (control == nullptr)
            system_record("GetDlgItem", GetLastError(), nullptr);
        else
            SetWindowTextA(control, field.text != nullptr ? field.text : result_sentence);
    }
    HWND first = GetDlgItem(window, IDOK);
    if (first == nullptr) {
        system_record("GetDlgItem", GetLastError(), nullptr);
    } else {
        SetLastError(ERROR_SUCCESS);
        if (SetFocus(first) == nullptr && GetLastError() != ERROR_SUCCESS)
            system_record("SetFocus", GetLastError(), nullptr);
    }
    page_open = true;
    message_loop();
    return page_exit;
}

void wizard_run() {
    PageExit confirmed = PageExit::none;
    do {
        page_show(kPages[0]);
        confirmed = page_show(kPages[1]);
    } while (confirmed == PageExit::back);
    // Only Continue on page 2 removes anything: a page that could not be shown
    // is no consent.
    if (confirmed != PageExit::next) return;
    RemovalResult result = removal_run(removal);
    removal_done = true;
    exit_code = removal_exit_code(result);
    if (result == RemovalResult::at_restart)
        result_sentence = "Some files could not be removed now; they will be removed when the computer restarts.";
    else if (result == RemovalResult::incomplete)
        result_sentence = "Some files could not be removed and are still on this computer.";
    page_show(kPages[2]);
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (window != nullptr && window == main_window) {
        switch (message) {
        case WM_CLOSE: ask_to_stop(); return 0;
        case WM_DESTROY: return 0;
        default: return DefDlgProcA(window, message, wparam, lparam);
        }
    }
    if (window != nullptr && window == page_window && page_handler != nullptr)
        return page_handler(window, message, wparam, lparam);
    return DefDlgProcA(window, message, wparam, lparam);
}

bool window_class_register() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = window_procedure;
    window_class.cbWndExtra = DLGWINDOWEXTRA;
    window_class.hInstance = program_instance;
    window_class.hIcon = LoadIconA(program_instance, "!Uninstall");
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    window_class.lpszClassName = kClassName;
    return RegisterClassA(&window_class) != 0;
}

} // namespace

int wizard_main(HINSTANCE instance, int show) {
    program_instance = instance;
    removal_note_own_path(removal);
    if (!window_class_register()) {
        MessageBoxA(nullptr, "Failed to register Uninstall class", kCaption, MB_OK | MB_ICONERROR);
    } else {
        main_window = CreateDialogParamA(program_instance, "UNINSTALL", nullptr, nullptr, 0);
        if (main_window == nullptr) {
            system_record("CreateDialog", GetLastError(), "UNINSTALL");
        } else {
            ShowWindow(main_window, show);
            UpdateWindow(main_window);
            wizard_run();
        }
    }
    PostQuitMessage(0);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    wizard_end();
}

int silent_main() {
    removal_note_own_path(removal);
    exit_code = removal_exit_code(removal_run(removal));
    removal_done = true;
    wizard_end();
}
