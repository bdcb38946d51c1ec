#pragma once
// The Windows build of the timings uses the tests' recording fake, but GoogleTest is not
// built for Windows: a failure that the fake reports is printed, and the fake's exception
// then ends the measurement.
#include <cstdio>
#include <sstream>

namespace timings_support {
struct Failure {
    std::ostringstream text;
    ~Failure() { std::fprintf(stderr, "failure: %s\n", text.str().c_str()); }
};
}  // namespace timings_support

#define ADD_FAILURE() ::timings_support::Failure().text
