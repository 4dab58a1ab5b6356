// A test whose real part is missing (a test display, a private X server, a
// privilege) must not pass the run. Under CI=true, as CI sets it, it fails
// with the reason; by hand it is skipped with the reason.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace zf_test {

// True when CI=true (or CI=1) is in the environment.
bool missing_real_part_fails();

// Records the test as failed or skipped for the reason; the caller returns.
void report_missing_real_part(const std::string& reason, const char* file, int line);

}  // namespace zf_test

// Ends the test (or its set-up) unless available, as a failure under CI=true
// and as a skip otherwise, with the reason.
#define ZF_REQUIRE_REAL_PART(available, reason) \
    switch (0)                                  \
    case 0:                                     \
    default:                                    \
        if (available) {                        \
        } else                                  \
            return ::zf_test::report_missing_real_part((reason), __FILE__, __LINE__)
