#include "core/ini_profile_store.h"

#include "profile/atomic_file.h"
#include "profile/ini_document.h"
#include "profile/native_text.h"

#include <system_error>

namespace quorvex::core {

std::string IniProfileStore::readString(int selector, std::string_view section,
                                        std::string_view key, std::string_view def) {
    std::filesystem::path file = pathOf_(selector);
    if (file.empty()) return std::string(def);
    return profile::readString(file, section, key, def);
}

int IniProfileStore::readInt(int selector, std::string_view section, std::string_view key,
                             int def) {
    std::filesystem::path file = pathOf_(selector);
    if (file.empty()) return def;
    return profile::readInt(file, section, key, def);
}

profile::WriteResult IniProfileStore::writeString(int selector, std::string_view section,
                                                  std::string_view key, std::string_view value) {
    std::filesystem::path file = pathOf_(selector);
    if (file.empty()) {
        // No profile chosen yet: refuse rather than write somewhere unexpected.
        return profile::WriteResult{false, "no profile file chosen"};
    }
    return profile::writeString(file, section, key, value);
}

ProfileStore::Contents IniProfileStore::contents(int selector) {
    const std::filesystem::path file = pathOf_(selector);
    if (file.empty()) return Contents{};
    profile::FileRead read = profile::readProfileBytes(file);
    switch (read.status) {
    case profile::FileRead::Status::Ok:
        return Contents{true, true, std::move(read.bytes)};
    case profile::FileRead::Status::Missing:
        return Contents{};
    default:
        return Contents{true, false, {}};
    }
}

profile::WriteResult IniProfileStore::restore(int selector, const Contents& before) {
    const std::filesystem::path file = pathOf_(selector);
    if (file.empty()) return profile::WriteResult{false, "no profile file chosen"};
    if (!before.readable) return profile::WriteResult{false, "the file could not be read before"};
    if (!before.exists) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        return ec ? profile::WriteResult{false, ec.message()} : profile::WriteResult{true, {}};
    }
    if (auto problem = profile::replaceFileAtomically(file, before.bytes))
        return profile::WriteResult{false, *problem};
    return profile::WriteResult{true, {}};
}

std::optional<std::string> IniProfileStore::writeRefusal(int selector) {
    const std::filesystem::path file = pathOf_(selector);
    if (file.empty()) return std::string("no profile file chosen");
    return profile::replacementRefusal(file);
}

profile::WriteResult IniProfileStore::writeKeys(int selector, const std::vector<KeyValue>& keys,
                                                bool fresh) {
    const std::filesystem::path file = pathOf_(selector);
    if (file.empty()) return profile::WriteResult{false, "no profile file chosen"};
    std::string text;
    if (!fresh) {
        profile::FileRead read = profile::readProfileBytes(file);
        // A file that cannot be read is never replaced: it would lose all but these keys.
        if (read.status != profile::FileRead::Status::Ok &&
            read.status != profile::FileRead::Status::Missing)
            return profile::WriteResult{false, read.problem};
        text = std::move(read.bytes);
    }
    const std::string before = text;
    for (const KeyValue& k : keys) {
        if (auto refused = profile::checkWrite(k.section, k.key, k.value)) {
            return profile::WriteResult{false, "refused to write " + k.key + ": " + *refused};
        }
        if (auto updated = profile::IniDocument(text).withValue(k.section, k.key, k.value))
            text = std::move(*updated);
    }
    if (!fresh && text == before) return profile::WriteResult{true, {}};
    if (auto problem = profile::replaceFileAtomically(file, text))
        return profile::WriteResult{false, *problem};
    return profile::WriteResult{true, {}};
}

IniProfileStore::PathOf profilePaths(const profile::ProfileFiles& files,
                                     std::function<std::string()> currentProfile) {
    return [&files, current = std::move(currentProfile)](int selector) -> std::filesystem::path {
        switch (selector) {
        case kDefaultProfile:
            return files.defaultProfile();
        case kCurrentProfile: {
            const std::string chosen = current();
            return chosen.empty() ? std::filesystem::path() : profile::pathFromUtf8(chosen);
        }
        case kWinIni:
            return files.winIni();
        default:
            return {};
        }
    };
}

} // namespace quorvex::core
