#include "core/environment.h"

#include <cstdlib>

namespace quorvex::core {

void setEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

} // namespace quorvex::core
