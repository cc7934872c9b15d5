#include "app/version.h"

namespace quorvex {

const char* versionText() {
    return kVersion;
}

} // namespace quorvex
