// The protocol's clock: the words set by "time", "otim" and "level", and
// the limits of the engine's turn built from them.
#include <cctype>
#include <cstring>

#include "xboard/xboard.h"

int engine_clock;
int opponent_clock;
int moves_per_control;
int increment_ms;
int time_mode;
int move_budget;
int nps_estimate = 50000;
int command_time;

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

SearchLimits allocate_time() {
    move_budget = time_budget(time_mode, moves_per_control, pos.history_count / 2, engine_clock, opponent_clock);
    SearchLimits limits{};
    limits.start_ms = command_time;
    limits.clock_rules = 1;
    limits.clock_ms = engine_clock;
    limits.budget_ms = move_budget;
    limits.depth = MAX_ITERATION - 1;
    // The main thread polls, at its own share of the speed of all threads.
    limits.poll_mask = poll_mask_for(move_budget, nps_estimate / search_threads());
    limits.elo = elo_option;
    limits.seed = game_seed;
    return limits;
}
