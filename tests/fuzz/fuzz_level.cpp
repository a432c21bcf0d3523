// The "level" line and the move budget on arbitrary text. Bytes 0-3 and 4-7 are the "time" and "otim" words
// in centiseconds (held within the clock limit, as the front end stores them), bytes 8-9 the half-moves
// played, the rest the line. Whatever the control, the move's budget lies between 0 and the clock (at most 0 with a
// clock below 0), and the poll mask is never negative.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 10) return 0;
    int32_t words[2];
    std::memcpy(words, data, sizeof words);  // little-endian, as the corpus was written
    engine_clock = clock_ms(words[0], 10);
    opponent_clock = clock_ms(words[1], 10);
    pos.history_count = (data[8] | data[9] << 8) % (GAME_HISTORY_LIMIT + 1);
    parse_level(input_text(data + 10, size - 10).c_str());
    const SearchLimits limits = allocate_time();
    FUZZ_CHECK(engine_clock >= 0 ? limits.budget_ms >= 0 && limits.budget_ms <= engine_clock : limits.budget_ms <= 0);
    FUZZ_CHECK(limits.poll_mask >= 0);
    pos.history_count = 0;
    return 0;
}
