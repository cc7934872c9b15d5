// The Windows test programs run under Wine without GoogleTest: each check
// prints what failed, and the program ends with "N passed, N failed".
#ifndef TESTS_WINDOWS_CHECK_H
#define TESTS_WINDOWS_CHECK_H

#include <cstdio>
#include <string>

namespace wintest {

struct Tally {
    int passed = 0;
    int failed = 0;

    bool check(bool ok, const std::string& what) {
        if (ok) {
            ++passed;
        } else {
            ++failed;
            std::printf("FAIL: %s\n", what.c_str());
        }
        return ok;
    }
    int finish(const char* name) const {
        std::printf("%s: %d passed, %d failed\n", name, passed, failed);
        return failed == 0 && passed > 0 ? 0 : 1;
    }
};

} // namespace wintest

#endif
