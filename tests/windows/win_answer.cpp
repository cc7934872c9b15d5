// What a user does with the system's own dialogs, which a program's test
// hooks cannot reach: each waits up to five minutes for a visible top-level
// dialog with the caption TITLE.
//   win_answer.exe box TITLE
//       a message box: prints its texts in UTF-8, one a line, and presses OK
//   win_answer.exe file TITLE PATH [TITLE PATH]...
//       a file dialog, one after the other: PATH goes into its name field
//       (the edit field that shows the suggested name), then OK (Save, Open)
// Ends with 0 when every dialog came, 1 when one did not.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kWaitMs = 300000;

std::wstring captionOf(HWND window) {
    wchar_t caption[256] = {};
    GetWindowTextW(window, caption, 256);
    return caption;
}

// A control of another process: GetWindowText gives an edit field's caption,
// not what it holds; the control's own answer (within a second) gives that.
std::wstring textOf(HWND control) {
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &n))
        return {};
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                             reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 1000, &got))
        return {};
    text.resize(static_cast<std::size_t>(got));
    return text;
}

std::wstring classOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::string utf8(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

struct Search {
    const wchar_t* title;
    HWND found = nullptr;
};

BOOL CALLBACK findDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (IsWindowVisible(window) && classOf(window) == L"#32770" &&
        captionOf(window) == search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND waitForDialog(const wchar_t* title) {
    Search search{title};
    for (DWORD waited = 0; waited < kWaitMs; waited += 100) {
        EnumWindows(findDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        Sleep(100);
    }
    std::printf("no dialog \"%s\" came\n", utf8(title).c_str());
    return nullptr;
}

BOOL CALLBACK printStatic(HWND child, LPARAM) {
    if (_wcsicmp(classOf(child).c_str(), L"Static") == 0) {
        const std::wstring text = textOf(child);
        if (!text.empty()) std::printf("%s\n", utf8(text).c_str());
    }
    return TRUE;
}

// The name field: the first visible edit field that holds text (the name
// the program suggested); the dialog's other edit fields are empty.
BOOL CALLBACK findNameField(HWND child, LPARAM data) {
    if (_wcsicmp(classOf(child).c_str(), L"Edit") != 0 || !IsWindowVisible(child)) return TRUE;
    if (textOf(child).empty()) return TRUE;
    *reinterpret_cast<HWND*>(data) = child;
    return FALSE;
}

bool answerFile(const wchar_t* title, const wchar_t* path) {
    const HWND dialog = waitForDialog(title);
    if (dialog == nullptr) return false;
    HWND field = nullptr;
    // The dialog fills its name field when it has shown its folder.
    for (DWORD waited = 0; field == nullptr && waited < kWaitMs; waited += 100) {
        EnumChildWindows(dialog, findNameField, reinterpret_cast<LPARAM>(&field));
        if (field == nullptr) Sleep(100);
    }
    if (field == nullptr) {
        std::printf("the dialog \"%s\" has no name field\n", utf8(title).c_str());
        return false;
    }
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    std::printf("%s: %s\n", utf8(title).c_str(), utf8(path).c_str());
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"box" && argc == 3) {
        const HWND box = waitForDialog(argv[2]);
        if (box == nullptr) return 1;
        EnumChildWindows(box, printStatic, 0);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return 0;
    }
    if (mode == L"file" && argc >= 4 && argc % 2 == 0) {
        for (int i = 2; i + 1 < argc; i += 2) {
            if (!answerFile(argv[i], argv[i + 1])) return 1;
            std::fflush(stdout);
        }
        return 0;
    }
    std::fprintf(stderr, "usage: win_answer.exe box TITLE | file TITLE PATH [TITLE PATH]...\n");
    return 2;
}
