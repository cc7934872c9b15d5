#include "support/fakes.h"

#include <cctype>

namespace quorvex::test {
namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

FakeProfileStore::Key FakeProfileStore::makeKey(int selector, std::string_view section,
                                                std::string_view key) {
    return {selector, lower(section), lower(key)};
}

std::string FakeProfileStore::readString(int selector, std::string_view section,
                                         std::string_view key, std::string_view def) {
    auto it = values_.find(makeKey(selector, section, key));
    std::string value = it == values_.end() ? std::string(def) : it->second;
    if (value.size() > 49) value.resize(49);
    return value;
}

int FakeProfileStore::readInt(int selector, std::string_view section, std::string_view key,
                              int def) {
    auto it = values_.find(makeKey(selector, section, key));
    if (it == values_.end()) return def;
    const std::string& v = it->second;
    std::size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
    if (i >= v.size() || !std::isdigit(static_cast<unsigned char>(v[i]))) return def;
    long long n = 0;
    while (i < v.size() && std::isdigit(static_cast<unsigned char>(v[i])) && n < 100000000000LL) {
        n = n * 10 + (v[i++] - '0');
    }
    return static_cast<int>(negative ? -n : n);
}

profile::WriteResult FakeProfileStore::writeString(int selector, std::string_view section,
                                                   std::string_view key, std::string_view value) {
    bool fail =
        failing_.count({selector, ""}) > 0 || failing_.count({selector, std::string(key)}) > 0;
    writes.push_back(
        Write{selector, std::string(section), std::string(key), std::string(value), !fail});
    if (fail) return profile::WriteResult{false, "No space left on device"};
    values_[makeKey(selector, section, key)] = std::string(value);
    return profile::WriteResult{true, ""};
}

// A selector's keys as one text: section, key and value of each, in key order.
core::ProfileStore::Contents FakeProfileStore::contents(int selector) {
    Contents c;
    for (const auto& [key, value] : values_) {
        if (std::get<0>(key) != selector) continue;
        c.exists = true;
        c.bytes += std::get<1>(key) + '\x1f' + std::get<2>(key) + '\x1f' + value + '\x1e';
    }
    return c;
}

profile::WriteResult FakeProfileStore::restore(int selector, const Contents& before) {
    writes.push_back(Write{selector, "(restore)", "", before.bytes, true});
    std::erase_if(values_, [&](const auto& entry) { return std::get<0>(entry.first) == selector; });
    std::string_view rest = before.bytes;
    while (!rest.empty()) {
        const std::size_t a = rest.find('\x1f'), b = rest.find('\x1f', a + 1),
                          end = rest.find('\x1e', b + 1);
        values_[Key{selector, std::string(rest.substr(0, a)),
                    std::string(rest.substr(a + 1, b - a - 1))}] =
            std::string(rest.substr(b + 1, end - b - 1));
        rest.remove_prefix(end + 1);
    }
    return profile::WriteResult{true, ""};
}

std::vector<std::string> FakeProfileStore::sectionNames(int selector) {
    std::vector<std::string> names;
    for (const auto& entry : values_)
        if (std::get<0>(entry.first) == selector) names.push_back(std::get<1>(entry.first));
    return names;
}

void FakeProfileStore::set(int selector, std::string_view section, std::string_view key,
                           std::string_view value) {
    values_[makeKey(selector, section, key)] = std::string(value);
}

std::optional<std::string> FakeProfileStore::get(int selector, std::string_view section,
                                                 std::string_view key) const {
    auto it = values_.find(makeKey(selector, section, key));
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

} // namespace quorvex::test
