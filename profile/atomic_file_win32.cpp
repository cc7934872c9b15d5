// Reading and replacing profile files on Windows. A replacement is a
// temporary file beside the original, written, flushed and moved over it in
// one step, so that a reader sees either the old file or the new one.
//
// Every name goes to the system in its \\?\ form, so a path near or beyond
// 260 characters works whether or not the machine has long paths switched on.
// A virus scanner or an indexer opens a file the moment it changes and keeps
// it for a moment; while it does, the move over it is refused, so the move is
// tried again for a short while. Reads share the file for deletion, so that a
// read of ours never stands in the way of a replacement.
#include "profile/atomic_file.h"
#include "profile/native_text.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace quorvex::profile {

namespace {

// How long a held file is waited for, in steps that grow to this bound.
constexpr DWORD kMoveRetryTotalMs = 2000;
constexpr DWORD kMoveRetryMaxStepMs = 250;

std::string describe(const std::string& what, const std::filesystem::path& file, DWORD err) {
    return what + " " + utf8Of(file) + ": " + systemMessage(err);
}

// The \\?\ form of a path: absolute, with backslashes and without "." or
// ".." (the system takes such a name as it is); \\server\share becomes
// \\?\UNC\server\share.
std::wstring systemName(const std::filesystem::path& file) {
    const std::wstring& given = file.native();
    if (given.rfind(L"\\\\?\\", 0) == 0 || given.rfind(L"\\\\.\\", 0) == 0) return given;
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(file, ec);
    if (ec) return given;
    full = full.lexically_normal();
    full.make_preferred();
    const std::wstring& name = full.native();
    if (name.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + name.substr(2);
    return L"\\\\?\\" + name;
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

// Another program holds the file (or, for a moment, its name).
bool heldByAnother(DWORD err) {
    return err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION ||
           err == ERROR_LOCK_VIOLATION;
}

// Moves temp over target; while another program holds the target, again
// after a growing pause, for about two seconds in all.
DWORD moveOver(const std::wstring& temp, const std::wstring& target) {
    DWORD waited = 0;
    DWORD step = 10;
    for (;;) {
        if (MoveFileExW(temp.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        const DWORD err = GetLastError();
        if (!heldByAnother(err) || waited >= kMoveRetryTotalMs) return err;
        Sleep(step);
        waited += step;
        step = step * 2 < kMoveRetryMaxStepMs ? step * 2 : kMoveRetryMaxStepMs;
    }
}

} // namespace

FileRead readProfileBytes(const std::filesystem::path& file) {
    FileRead result;
    const std::wstring name = systemName(file);
    const DWORD attributes = GetFileAttributesW(name.c_str());
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
        result.problem = utf8Of(file) + " is a directory";
        return result;
    }
    Handle h(CreateFileW(name.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
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
        result.problem = utf8Of(file) + " is not a regular file";
        return result;
    }
    const auto tooLarge = [&] {
        result.status = FileRead::Status::TooLarge;
        result.bytes.clear();
        result.problem = utf8Of(file) + " is larger than " +
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

std::optional<std::string> detail::replacePlainFile(const std::filesystem::path& file,
                                                    std::string_view content, InjectedFault fault) {
    static std::atomic<unsigned> counter{0};
    const std::wstring target = systemName(file);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return utf8Of(file) + " is a directory";
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return describe("cannot replace", file, ERROR_ACCESS_DENIED) + " (the file is read-only)";

    // A short name beside the file (same volume, so the move is one step),
    // whatever the length of the file's own name.
    const std::size_t slash = target.find_last_of(L'\\');
    const std::wstring dir = target.substr(0, slash == std::wstring::npos ? 0 : slash + 1);
    const std::filesystem::path dirPath =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(L".");
    std::wstring temp;
    HANDLE raw = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && raw == INVALID_HANDLE_VALUE; ++attempt) {
        wchar_t name[48];
        swprintf(name, sizeof name / sizeof name[0], L".qv%lx-%x.tmp",
                 static_cast<unsigned long>(GetCurrentProcessId()), counter.fetch_add(1));
        temp = dir + name;
        raw = CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (raw == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return describe("cannot create a file in", dirPath, GetLastError());
    }
    if (raw == INVALID_HANDLE_VALUE)
        return describe("cannot create a file in", dirPath, ERROR_FILE_EXISTS);
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
    const DWORD moved =
        fault == InjectedFault::Rename ? ERROR_ACCESS_DENIED : moveOver(temp, target);
    if (moved != ERROR_SUCCESS) {
        DeleteFileW(temp.c_str());
        return describe("cannot replace", file, moved);
    }
    return std::nullopt;
}

} // namespace quorvex::profile
