// The folders the program's files live in on Windows, and where an older
// version kept them.
#include "profile/profile_files.h"

#include <windows.h>

#include <shlobj.h>

namespace quorvex::profile {

namespace {

std::filesystem::path knownFolder(REFKNOWNFOLDERID id) {
    PWSTR raw = nullptr;
    std::filesystem::path folder;
    if (SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &raw) == S_OK && raw != nullptr)
        folder = raw;
    CoTaskMemFree(raw);
    return folder;
}

std::filesystem::path windowsDirectory() {
    wchar_t dir[MAX_PATH + 1] = {};
    const UINT n = GetWindowsDirectoryW(dir, MAX_PATH);
    return n > 0 && n <= MAX_PATH ? std::filesystem::path(dir) : std::filesystem::path();
}

// The per-user copy Windows keeps of a folder that a 32-bit program without
// a manifest was not allowed to write: %LOCALAPPDATA%\VirtualStore\<folder
// without its drive>.
std::filesystem::path virtualStoreOf(const std::filesystem::path& folder) {
    const std::filesystem::path local = knownFolder(FOLDERID_LocalAppData);
    if (local.empty() || folder.empty() || !folder.has_root_name()) return {};
    return local / L"VirtualStore" / folder.relative_path();
}

} // namespace

std::filesystem::path programDirectory() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return std::filesystem::path(L".");
        if (n < name.size()) {
            name.resize(n);
            return std::filesystem::path(name).parent_path();
        }
        name.resize(name.size() * 2);
    }
}

std::filesystem::path userDataFolder() {
    const std::filesystem::path roaming = knownFolder(FOLDERID_RoamingAppData);
    return roaming.empty() ? roaming : roaming / L"Quorvex";
}

OldPlaces windowsOldPlaces() {
    OldPlaces old;
    auto add = [](std::vector<std::filesystem::path>& list, const std::filesystem::path& folder,
                  const wchar_t* name) {
        if (const auto store = virtualStoreOf(folder); !store.empty()) list.push_back(store / name);
        if (!folder.empty()) list.push_back(folder / name);
    };
    add(old.defaultProfiles, programDirectory(), L"default.pro");
    add(old.winInis, windowsDirectory(), L"win.ini");
    return old;
}

} // namespace quorvex::profile
