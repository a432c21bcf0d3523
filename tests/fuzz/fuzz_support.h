// Shared by the fuzz targets: the start-up the engine does before reading
// any command, and a check that stops the run where an invariant breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "board/board.h"
#include "xboard/xboard.h"
#include "eval/eval.h"
#include "search/search.h"

// Unlike assert, stays in every build; the trap makes libFuzzer keep the input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            __builtin_trap();                                                                  \
        }                                                                                      \
    } while (0)

// The engine as it starts, with a table of the size given (update_hash_key
// works only with one).
inline void fuzz_start_up(int hash_megabytes) { start_engine(hash_megabytes); }

// The input as a C string: the bytes up to the first NUL, then a NUL.
inline std::string input_text(const uint8_t* data, size_t size) {
    const void* nul = std::memchr(data, 0, size);
    const size_t n = nul ? size_t(static_cast<const uint8_t*>(nul) - data) : size;
    return std::string(reinterpret_cast<const char*>(data), n);
}
