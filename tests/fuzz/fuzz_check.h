// What the harnesses share: a failed property stops the run at once, so both
// libFuzzer and the corpus replay report it with the input that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond);       \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

// The plain rule a check is compared with: every character a decimal digit
// (true for empty text).
inline bool allDigits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Takes bytes off the front of the input; past its end every read gives 0.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : text_(reinterpret_cast<const char*>(data), size) {}
    std::uint8_t byte() {
        if (text_.empty()) return 0;
        auto b = static_cast<std::uint8_t>(text_.front());
        text_.remove_prefix(1);
        return b;
    }
    // A piece up to the next NUL (which is consumed) or the end.
    std::string_view piece() {
        auto end = text_.find('\0');
        std::string_view out = text_.substr(0, end);
        text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + 1);
        return out;
    }
    std::string_view rest() {
        std::string_view out = text_;
        text_ = {};
        return out;
    }
    bool empty() const { return text_.empty(); }

private:
    std::string_view text_;
};

} // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
