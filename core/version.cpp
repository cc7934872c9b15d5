#include "core/version.h"

#include "build_info.h"

namespace quorvex::core {

const char* versionText() {
    return kVersion;
}

const char* buildText() {
    return QUORVEX_BUILD;
}

} // namespace quorvex::core
