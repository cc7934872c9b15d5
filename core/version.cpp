#include "core/version.h"

namespace quorvex::core {

const char* versionText() {
    return kVersion;
}

} // namespace quorvex::core
