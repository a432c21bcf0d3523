// The clock of a search: the budget rules of a move, how often the search
// looks at the clock, and the stop test that abandons a search by jumping
// back to the root.
#include <chrono>
#include <csetjmp>

#include "search/search_internal.h"

// A monotonic clock: a step of the time of day (a clock synchronised while
// the engine thinks) neither ends a search at once nor lets it run past its
// time. Only differences are used, so the count may wrap: keep it unsigned.
int now_ms() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return int(uint32_t(uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(since).count())));
}

// The difference is taken unsigned, so a reading on either side of the wrap
// gives the true interval instead of a signed overflow.
int elapsed_since(int start_ms) { return int(uint32_t(now_ms()) - uint32_t(start_ms)); }

// Without a move count to divide by (before any time control is known) a
// game is played as sudden death.
int time_budget(int time_mode, int moves_per_control, int full_moves, int clock_ms, int opponent_clock_ms) {
    const int c = clock_ms;
    if (time_mode == TIME_MOVES && moves_per_control > 0) {
        const int m = moves_per_control;
        const int moves_left = m - full_moves % m;
        if (m < 7) return int(7 * int64_t(c) / m / 10);
        const int d = moves_left == 1 ? 3 : moves_left > 70 ? 40 : moves_left >= 11 ? 30 : 10;
        return c / d;
    }
    if (time_mode == TIME_INCREMENT) return c / 7;
    return c - opponent_clock_ms > 0 ? c / 15 : c / 60;
}

// Poll about 12 to 24 times within the budget at the expected speed.
int poll_mask_for(int budget_ms, int nps_estimate) {
    const int64_t n = int64_t(budget_ms) * nps_estimate / 12000;
    int64_t p = 1;
    if (n > 1) {
        p = 2;
        while (p < n) p *= 2;
    }
    const int64_t half = p / 2;
    const int64_t mask = half > 1 ? half - 1 : half;
    return mask > 0x3fffffff ? 0x3fffffff : int(mask);
}

// Under the clock rules the search stops with 500 ms left on the clock, at
// five budgets once a root move has a score, and at five sixths of the
// budget once a second root move of the iteration has been searched. Any
// search stops at its move time, its maximum and its node limit.
int limits_reached() {
    const SearchLimits& l = search.search_limits;
    const int64_t used = elapsed_since(l.start_ms);
    if (l.clock_rules) {
        const int64_t budget = l.budget_ms, remaining = l.clock_ms - used;
        const bool scored = search.root_score > NO_SCORE;
        if (remaining <= 500 || (used >= 5 * budget && scored) ||
            (search.late_stop_armed && 12 * used >= 10 * budget && scored))
            return 1;
    }
    if (l.movetime_ms > 0 && used >= l.movetime_ms) return 1;
    if (l.maximum_ms > 0 && used >= l.maximum_ms) return 1;
    return l.nodes > 0 && search.completed_depth >= l.min_depth && nodes_searched() >= l.nodes;
}

// Between iterations, under the clock rules: no new iteration with 3000 ms
// or less on the clock, nor after 60 per cent of the budget unless the
// score is below 0, nor after 70 per cent unless it is -30 or worse.
bool clock_says_stop() {
    const int64_t elapsed = elapsed_since(search.search_limits.start_ms), budget = search.search_limits.budget_ms;
    if (search.search_limits.clock_ms - elapsed <= 3000) return true;
    if (10 * elapsed < 6 * budget) return false;
    return search.root_score >= 0 || (search.root_score > -30 && 10 * elapsed >= 7 * budget);
}

int change_search_limits(const SearchLimits& limits) {
    SearchLimits& l = search.search_limits;
    l.clock_rules = limits.clock_rules;
    l.clock_ms = limits.clock_ms;
    l.budget_ms = limits.budget_ms;
    l.optimum_ms = limits.optimum_ms;
    l.maximum_ms = limits.maximum_ms;
    l.movetime_ms = limits.movetime_ms;
    const int used = elapsed_since(l.start_ms);
    if ((l.movetime_ms > 0 && used >= l.movetime_ms) || (l.maximum_ms > 0 && used >= l.maximum_ms)) return 1;
    if (search.completed_depth == 0) return 0;
    return l.clock_rules ? clock_says_stop() : time_policy_says_stop();
}

void check_time() {
    if (!search.stop_hook()) return;
    search.time_out = 1;
    std::longjmp(search.abort_point, 1);
}
