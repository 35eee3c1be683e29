#pragma once

// How a fuzz target reports a property that does not hold: it says which, with the input that
// broke it, and aborts, which both libFuzzer and the corpus replay take as a failure.

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace culler::fuzz {

[[noreturn]] inline void propertyFailed(const char *property, std::string_view input) {
    std::fprintf(stderr, "Property does not hold: %s\nInput (%zu bytes):", property, input.size());
    for (const char c : input)
        std::fprintf(stderr, " %02x", static_cast<unsigned>(static_cast<unsigned char>(c)));
    std::fprintf(stderr, "\n");
    std::abort();
}

inline void require(bool holds, const char *property, std::string_view input) {
    if (!holds)
        propertyFailed(property, input);
}

} // namespace culler::fuzz
