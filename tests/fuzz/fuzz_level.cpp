// The "level" line and the move budget on arbitrary text. Bytes 0-3 and 4-7 are the "time" and "otim" words
// in centiseconds (held within the clock limit, as the front end stores them), bytes 8-9 the half-moves
// played, the rest the line. The control must come out as one of the three modes with an increment within the
// clock limit, and the poll mask never negative.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 10) return 0;
    int32_t words[2];
    std::memcpy(words, data, sizeof words);  // little-endian, as the corpus was written
    engine_clock = clock_ms(words[0], 10);
    opponent_clock = clock_ms(words[1], 10);
    pos.history_count = (data[8] | data[9] << 8) % (GAME_HISTORY_LIMIT + 1);
    parse_level(input_text(data + 10, size - 10).c_str());
    FUZZ_CHECK(time_mode == TIME_MOVES || time_mode == TIME_INCREMENT || time_mode == TIME_SUDDEN_DEATH);
    FUZZ_CHECK(increment_ms >= -CLOCK_LIMIT_MS && increment_ms <= CLOCK_LIMIT_MS);
    FUZZ_CHECK(allocate_time().poll_mask >= 0);
    pos.history_count = 0;
    return 0;
}
