#include "cli/terminal.h"

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <string>
#else
#include <unistd.h>
#endif

namespace quorvex::cli {

#ifdef _WIN32

namespace {

// The session's state; only one session lives at a time (main's).
struct Session {
    bool console[3] = {}; // stdin, stdout, stderr were a console at the start
    UINT input = 0;       // the code pages to give back; 0: not changed
    UINT output = 0;
    int saved[3] = {-1, -1, -1}; // stdout, stderr as they were, while the pipe carries them
    HANDLE screen = INVALID_HANDLE_VALUE; // the console's output
    HANDLE pipe = nullptr;                // the writer's end to read
    HANDLE writer = nullptr;
};
Session gSession;

bool consoleHandle(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

void restoreCodePages() {
    if (gSession.output != 0) SetConsoleOutputCP(gSession.output);
    if (gSession.input != 0) SetConsoleCP(gSession.input);
    gSession.input = gSession.output = 0;
}

BOOL WINAPI onConsoleEnd(DWORD) {
    restoreCodePages();
    return FALSE; // and then the system's own handling: the program ends
}

// Hands the console whole characters: a sequence cut between two reads waits
// for its rest.
DWORD WINAPI writeToConsole(LPVOID) {
    std::string pending;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(gSession.pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        pending.append(chunk, got);
        std::size_t whole = pending.size();
        // Back over an unfinished sequence at the end (at most 3 bytes).
        for (std::size_t back = 1; back <= 3 && back <= pending.size(); ++back) {
            const auto c = static_cast<unsigned char>(pending[pending.size() - back]);
            if ((c & 0xC0) == 0x80) continue; // a continuation byte
            const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (length > back) whole = pending.size() - back;
            break;
        }
        const int n =
            MultiByteToWideChar(CP_UTF8, 0, pending.data(), static_cast<int>(whole), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
        if (n > 0) {
            MultiByteToWideChar(CP_UTF8, 0, pending.data(), static_cast<int>(whole), wide.data(),
                                n);
            DWORD written = 0;
            WriteConsoleW(gSession.screen, wide.data(), static_cast<DWORD>(wide.size()), &written,
                          nullptr);
        }
        pending.erase(0, whole);
    }
    return 0;
}

// stdout and stderr, where they are the console, now write into a pipe
// whose other end the writer reads.
void carryThroughWriter() {
    if (!gSession.console[1] && !gSession.console[2]) return;
    gSession.screen = GetStdHandle(gSession.console[1] ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_WRONLY | _O_TEXT);
    if (fd < 0) {
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return;
    }
    gSession.pipe = readEnd;
    gSession.writer = CreateThread(nullptr, 0, writeToConsole, nullptr, 0, nullptr);
    if (gSession.writer == nullptr) {
        _close(fd);
        CloseHandle(readEnd);
        gSession.pipe = nullptr;
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    for (int stream : {1, 2}) {
        if (!gSession.console[stream]) continue;
        gSession.saved[stream] = _dup(stream);
        _dup2(fd, stream);
    }
    _close(fd);
    // Each text reaches the writer at once, as it would reach the console.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

void endWriter() {
    if (gSession.writer == nullptr) return;
    std::fflush(stdout);
    std::fflush(stderr);
    // The writer has everything before its pipe closes: Wine was seen to drop
    // what a pipe still held when its last writing end closed.
    for (int wait = 0; wait < 200; ++wait) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(gSession.pipe, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0)
            break;
        Sleep(10);
    }
    // The console back in place closes the pipe's last writing end.
    for (int stream : {1, 2}) {
        if (gSession.saved[stream] < 0) continue;
        _dup2(gSession.saved[stream], stream);
        _close(gSession.saved[stream]);
        gSession.saved[stream] = -1;
    }
    WaitForSingleObject(gSession.writer, 5000);
    CloseHandle(gSession.writer);
    CloseHandle(gSession.pipe);
    gSession.writer = gSession.pipe = nullptr;
}

} // namespace

bool isTerminal(std::FILE* stream) {
    const int fd = _fileno(stream);
    if (fd >= 0 && fd <= 2 && gSession.saved[fd] >= 0) return gSession.console[fd];
    return consoleHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
}

ConsoleSession::ConsoleSession() {
    for (int fd = 0; fd <= 2; ++fd)
        gSession.console[fd] = consoleHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
    const UINT output = GetConsoleOutputCP();
    if (output != 0 && output != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) gSession.output = output;
    const UINT input = GetConsoleCP();
    if (input != 0 && input != CP_UTF8 && SetConsoleCP(CP_UTF8)) gSession.input = input;
    if (gSession.output != 0 || gSession.input != 0) SetConsoleCtrlHandler(onConsoleEnd, TRUE);
    carryThroughWriter();
}

ConsoleSession::~ConsoleSession() {
    endWriter();
    restoreCodePages();
    SetConsoleCtrlHandler(onConsoleEnd, FALSE);
}

#else

bool isTerminal(std::FILE* stream) {
    return ::isatty(fileno(stream)) != 0;
}

// A terminal here takes the bytes as the user's locale says, which is UTF-8
// on every current system.
ConsoleSession::ConsoleSession() = default;
ConsoleSession::~ConsoleSession() = default;

#endif

} // namespace quorvex::cli
