#pragma once

namespace quorvex::core {

// The program's version, shown by --version and in the about box.
inline constexpr const char* kVersion = "0.1.0";

} // namespace quorvex::core
