#pragma once

namespace quorvex::core {

// The program's version, shown by --version and in the about box.
inline constexpr const char* kVersion = "0.1.0";

// How this program was built: compiler, build type, system and machine, and
// the source revision when it was built from a git checkout.
const char* buildText();

} // namespace quorvex::core
