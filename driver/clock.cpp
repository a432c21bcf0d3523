// The clock: the words set by "time", "otim" and "level", the budget of
// each move, how often the searches look at the clock, and the clock test
// that abandons a search by jumping back to the root.
#include <sys/time.h>

#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "driver/driver.h"
#include "search/search.h"

int engine_clock;
int opponent_clock;
int moves_per_control;
int increment_ms;
int time_mode;
int move_budget;
int nps_estimate = 50000;
int command_time;
int time_out;
int late_stop_armed;
jmp_buf abort_point;

int now_ms() {
    timeval tv;
    gettimeofday(&tv, nullptr);
    // Only differences are used, so the product may wrap: do it unsigned.
    return int(uint32_t(tv.tv_sec) * 1000u + uint32_t(tv.tv_usec / 1000));
}

// The difference is taken unsigned, so a reading on either side of the wrap
// gives the true interval instead of a signed overflow.
int elapsed_since(int start_ms) { return int(uint32_t(now_ms()) - uint32_t(start_ms)); }

// "level MOVES MINUTES INCREMENT" or "level MOVES MINUTES:SECONDS INCREMENT".
// The base time is not used: the clock comes from "time" alone. Fields the
// line lacks count as 0, so a short line never reuses an older value.
// The fields are read in order up to the first that is missing, as a scan
// of "level %d %d %d" (or "level %d %d %c %d %d" with the colon) would.
void parse_level(const char* line) {
    int moves = 0, minutes = 0, seconds = 0, increment = 0;
    const char* p = std::strncmp(line, "level", 5) ? nullptr : line + 5;
    if (p) p = read_number(p, 10, &moves);
    if (p) p = read_number(p, 10, &minutes);
    if (p && std::strchr(line, ':')) {
        while (std::isspace((unsigned char)*p)) ++p;
        p = *p ? read_number(p + 1, 10, &seconds) : nullptr;  // skips one character, the colon
    }
    if (p) read_number(p, 10, &increment);
    moves_per_control = moves;
    increment_ms = clock_ms(increment, 1000);
    time_mode = moves_per_control > 0 ? TIME_MOVES : increment_ms > 0 ? TIME_INCREMENT : TIME_SUDDEN_DEATH;
}

// Before any "level" there is no move count to divide by: such a game is
// played as sudden death.
void allocate_time() {
    const int c = engine_clock;
    if (time_mode == TIME_MOVES && moves_per_control > 0) {
        const int m = moves_per_control;
        const int moves_left = m - (history_count / 2) % m;
        if (m < 7) {
            move_budget = int(7 * int64_t(c) / m / 10);
        } else {
            const int d = moves_left == 1 ? 3 : moves_left > 70 ? 40 : moves_left >= 11 ? 30 : 10;
            move_budget = c / d;
        }
    } else if (time_mode == TIME_INCREMENT) {
        move_budget = c / 7;
    } else {
        move_budget = c - opponent_clock > 0 ? c / 15 : c / 60;
    }
    set_poll_mask();
}

// Poll about 12 to 24 times within the budget at the expected speed.
void set_poll_mask() {
    const int64_t n = int64_t(move_budget) * nps_estimate / 12000;
    int64_t p = 1;
    if (n > 1) {
        p = 2;
        while (p < n) p *= 2;
    }
    const int64_t half = p / 2;
    const int64_t mask = half > 1 ? half - 1 : half;
    poll_mask = mask > 0x3fffffff ? 0x3fffffff : int(mask);
}

void check_time() {
    const int64_t used = elapsed_since(command_time), budget = move_budget;
    const int64_t remaining = engine_clock - used;
    const bool scored = root_score > NO_SCORE;
    if (remaining <= 500 || (used >= 5 * budget && scored) || (late_stop_armed && 12 * used >= 10 * budget && scored)) {
        time_out = 1;
        std::longjmp(abort_point, 1);
    }
}
