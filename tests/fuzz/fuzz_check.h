// A check for fuzz targets: on failure it says which and aborts, so that the
// fuzzer keeps the input and the replay test fails.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace mpdetect {

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

}  // namespace mpdetect
