// The "level" line and the move budget on arbitrary text. Input: bytes 0-3
// and 4-7 are the "time" and "otim" words in centiseconds (as the xboard
// front end stores them, held within the clock limit), bytes 8-9 the
// half-moves played; the rest is the line. The time control must come out
// as one of the three modes with an increment within the clock limit, and
// the poll mask never negative.
#include "fuzz_support.h"
#include "search/search.h"

namespace {

int32_t word_at(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 10) return 0;
    engine_clock = clock_ms(word_at(data), 10);
    opponent_clock = clock_ms(word_at(data + 4), 10);
    history_count = (data[8] | data[9] << 8) % (GAME_HISTORY_LIMIT + 1);
    const std::string line = input_text(data + 10, size - 10);
    parse_level(line.c_str());
    FUZZ_CHECK(time_mode == TIME_MOVES || time_mode == TIME_INCREMENT || time_mode == TIME_SUDDEN_DEATH);
    FUZZ_CHECK(increment_ms >= -CLOCK_LIMIT_MS && increment_ms <= CLOCK_LIMIT_MS);
    FUZZ_CHECK(allocate_time().poll_mask >= 0);
    history_count = 0;
    return 0;
}
