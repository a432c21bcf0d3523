// The engine's turn: budget the time, search, print and log the move, judge
// the game, and only then play the move on the board.
#include <cstdio>
#include <cstdlib>

#include "driver/driver.h"
#include "search/search.h"

namespace {

// Ages the history heuristic: once a counter has passed 3000 the whole
// table is divided by 16 before this and every later search, until a new
// game or set-up clears it.
void age_history_table() {
    if (history_max <= 3000) return;
    for (auto& row : history_table)
        for (uint32_t& counter : row) counter >>= 4;
}

}  // namespace

void search_move() {
    const uint64_t saved_key = hash_key;
    hash_hits = 0;
    ++hash_age;
    // T4 - T5: an abandoned search leaves the key undefined.
    root_search();
    hash_key = saved_key;
    hash_select();
}

void think() {
    // The history has room for GAME_HISTORY_LIMIT game half-moves plus the
    // deepest search line; a game that long is declared drawn.
    if (history_count >= GAME_HISTORY_LIMIT) {
        declare_game_too_long();
        return;
    }
    // T1 - T3
    allocate_time();
    age_history_table();
    search_move();
    const Move best = pv[0][0];
    if (best) {
        std::printf("move %s\n", move_text(best));
        std::fflush(stdout);
    }
    // T6 - T7
    total_time += elapsed_since(command_time);
    total_nodes += nodes;
    if (total_time > 0) nps_estimate = int(double(total_nodes) / double(total_time) * 1000.0);
    log_printf("%4d  %s score(%d) iter(%d) nps(%d) hashhit (%d)\n", history_count / 2, move_text(best),
               root_score, root_depth, nps_estimate, hash_hits);
    // T8 - T10
    if (adjudicate_engine_turn()) return;
    if (!make_move(best)) std::exit(-1);
    update_hash_key(best);
    generate_root_moves();
}
