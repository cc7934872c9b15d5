#include "core/environment.h"

#include <cstdlib>

namespace quorvex::core {

void setEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value != nullptr ? value : ""); // "" removes it
#else
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

} // namespace quorvex::core
