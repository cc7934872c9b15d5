#pragma once
// The process environment and command line in UTF-8 on every platform:
// setting a variable the driver library reads (R70COM_PORTS, R70COM_TRACE),
// and the program's arguments. On Windows both are taken wide, so a file name
// or a folder in any script survives (the narrow forms hold only the
// characters of one code page).

#include <string>
#include <vector>

namespace quorvex::core {

// value null: the variable is removed.
void setEnvironment(const char* name, const char* value);

// The arguments as UTF-8 texts (argv[0] first). argc and argv are what main
// was given; on Windows the wide command line of the process is read instead.
std::vector<std::string> utf8Arguments(int argc, char** argv);

} // namespace quorvex::core
