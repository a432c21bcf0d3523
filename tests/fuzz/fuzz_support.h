// What the fuzz targets share: the engine's headers, a check that stays in every build, the input as text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "board/board.h"
#include "eval/eval.h"
#include "search/search.h"
#include "tools/tools.h"
#include "xboard/xboard.h"

// Stays in every build, unlike assert; the trap makes libFuzzer keep the input.
#define FUZZ_CHECK(condition)                                                                        \
    do {                                                                                             \
        if (!(condition)) {                                                                          \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            __builtin_trap();                                                                        \
        }                                                                                            \
    } while (0)

// The input as a C string: the bytes up to the first NUL.
inline std::string input_text(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size).c_str();
}
