// Reading and replacing profile files on Windows, and the folders the
// program's files live in there. A replacement is a temporary file beside the
// original, written, flushed and moved over it in one step, so that a reader
// sees either the old file or the new one.
#include "profile/atomic_file.h"
#include "profile/profile_files.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace quorvex::profile {

namespace {

std::string systemMessage(DWORD code) {
    char text[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.'))
        --n;
    if (n == 0) return "Windows error " + std::to_string(code);
    return std::string(text, n);
}

std::string describe(const std::string& what, const std::filesystem::path& file, DWORD err) {
    return what + " " + file.string() + ": " + systemMessage(err);
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool close() {
        const bool ok = CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

bool writeAll(HANDLE h, std::string_view data) {
    while (!data.empty()) {
        const DWORD chunk = data.size() < 1u << 20 ? static_cast<DWORD>(data.size()) : 1u << 20;
        DWORD written = 0;
        if (!WriteFile(h, data.data(), chunk, &written, nullptr) || written == 0) return false;
        data.remove_prefix(written);
    }
    return true;
}

} // namespace

FileRead readProfileBytes(const std::filesystem::path& file) {
    FileRead result;
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) {
            result.status = FileRead::Status::Missing;
        } else {
            result.status = FileRead::Status::Unreadable;
            result.problem = describe("cannot read", file, err);
        }
        return result;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.status = FileRead::Status::NotRegular;
        result.problem = file.string() + " is a directory";
        return result;
    }
    Handle h(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h.get() == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        result.status =
            err == ERROR_FILE_NOT_FOUND ? FileRead::Status::Missing : FileRead::Status::Unreadable;
        if (err != ERROR_FILE_NOT_FOUND) result.problem = describe("cannot read", file, err);
        return result;
    }
    // A device or a pipe opened by name is not a profile (and may never end).
    if (GetFileType(h.get()) != FILE_TYPE_DISK) {
        result.status = FileRead::Status::NotRegular;
        result.problem = file.string() + " is not a regular file";
        return result;
    }
    const auto tooLarge = [&] {
        result.status = FileRead::Status::TooLarge;
        result.bytes.clear();
        result.problem = file.string() + " is larger than " +
                         std::to_string(kMaxProfileBytes / (1024 * 1024)) +
                         " MB and cannot be a profile";
        return result;
    };
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h.get(), &size)) {
        result.status = FileRead::Status::Unreadable;
        result.problem = describe("cannot read", file, GetLastError());
        return result;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > kMaxProfileBytes) return tooLarge();
    // One byte beyond the cap notices a file that grew meanwhile.
    result.bytes.resize(kMaxProfileBytes + 1);
    std::size_t got = 0;
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(h.get(), result.bytes.data() + got,
                      static_cast<DWORD>(result.bytes.size() - got), &n, nullptr)) {
            result.status = FileRead::Status::Unreadable;
            result.problem = describe("cannot read", file, GetLastError());
            result.bytes.clear();
            return result;
        }
        if (n == 0) break;
        got += n;
        if (got > kMaxProfileBytes) return tooLarge();
    }
    result.bytes.resize(got);
    result.status = FileRead::Status::Ok;
    return result;
}

std::optional<std::string> replaceFileAtomically(const std::filesystem::path& file,
                                                 std::string_view content, InjectedFault fault) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path dir =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return file.string() + " is a directory";

    std::filesystem::path temp;
    HANDLE raw = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && raw == INVALID_HANDLE_VALUE; ++attempt) {
        temp =
            dir / ("." + file.filename().string() + ".tmp" + std::to_string(GetCurrentProcessId()) +
                   "." + std::to_string(counter.fetch_add(1)));
        raw = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (raw == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return describe("cannot create a file in", dir, GetLastError());
    }
    if (raw == INVALID_HANDLE_VALUE)
        return describe("cannot create a file in", dir, ERROR_FILE_EXISTS);
    Handle h(raw);

    const auto fail = [&](const std::string& what, DWORD err) {
        h.close();
        DeleteFileW(temp.c_str());
        return describe(what, file, err);
    };
    if (fault == InjectedFault::Write || !writeAll(h.get(), content))
        return fail("cannot write",
                    fault == InjectedFault::Write ? ERROR_DISK_FULL : GetLastError());
    if (fault == InjectedFault::Sync || !FlushFileBuffers(h.get()))
        return fail("cannot flush",
                    fault == InjectedFault::Sync ? ERROR_WRITE_FAULT : GetLastError());
    if (!h.close()) {
        const DWORD err = GetLastError();
        DeleteFileW(temp.c_str());
        return describe("cannot write", file, err);
    }
    if (fault == InjectedFault::Rename ||
        !MoveFileExW(temp.c_str(), file.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD err = fault == InjectedFault::Rename ? ERROR_ACCESS_DENIED : GetLastError();
        DeleteFileW(temp.c_str());
        return describe("cannot replace", file, err);
    }
    return std::nullopt;
}

std::filesystem::path programDirectory() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return std::filesystem::path(".");
        if (n < name.size()) {
            name.resize(n);
            return std::filesystem::path(name).parent_path();
        }
        name.resize(name.size() * 2);
    }
}

std::filesystem::path windowsWinIni() {
    wchar_t dir[MAX_PATH + 1] = {};
    const UINT n = GetWindowsDirectoryW(dir, MAX_PATH);
    const std::filesystem::path base =
        n > 0 && n <= MAX_PATH ? std::filesystem::path(dir) : std::filesystem::path("C:\\Windows");
    return base / std::string(kWinIniName);
}

} // namespace quorvex::profile
