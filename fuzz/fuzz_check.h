#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// A property that failed: print what was expected and abort, so that libFuzzer keeps the input
// as a crash artifact and the message says which property broke.
[[noreturn]] inline void FuzzFail(const char* property, const std::string& detail) {
  std::fprintf(stderr, "\nPROPERTY VIOLATED: %s\n  %s\n", property, detail.c_str());
  std::fflush(stderr);
  std::abort();
}

#define FUZZ_CHECK(condition, detail)                 \
  do {                                                \
    if (!(condition)) FuzzFail(#condition, (detail)); \
  } while (false)
