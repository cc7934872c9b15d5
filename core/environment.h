#pragma once
// Setting a variable of the process environment, which the driver library
// reads (R70COM_PORTS, R70COM_TRACE), on every platform.

namespace quorvex::core {

// value null: the variable is removed.
void setEnvironment(const char* name, const char* value);

} // namespace quorvex::core
