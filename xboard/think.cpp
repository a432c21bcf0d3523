// The engine's turn: search, print and log the move, judge the game, and
// only then play the move on the board.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "xboard/xboard.h"

namespace {

// A limited search ends in milliseconds. Its move waits for the natural
// time of the limits (natural_move_ms), but at most this long, as the
// engine reads no input meanwhile.
constexpr int PAUSE_LIMIT_MS = 5000;

void pause_naturally() {
    int wanted = natural_move_ms(search.search_limits);
    if (wanted > PAUSE_LIMIT_MS) wanted = PAUSE_LIMIT_MS;
    const int left = wanted - elapsed_since(search.search_limits.start_ms);
    if (left > 0) std::this_thread::sleep_for(std::chrono::milliseconds(left));
}

}  // namespace

void think() {
    // The history has room for GAME_HISTORY_LIMIT game half-moves plus the
    // deepest search line; a game that long is declared drawn.
    if (pos.history_count >= GAME_HISTORY_LIMIT) {
        declare_game_too_long();
        return;
    }
    search_move(allocate_time());
    if (search.search_failure) fatal_exit(search.search_failure);
    const Move best = search.pv[0][0];
    const int searched_ms = elapsed_since(command_time);  // the speed is the search's, without the pause
    pause_naturally();
    // xboard reads a promotion only with its letter right after the squares
    // ("e7e8n"); the log keeps the engine's own text ("e7e8,n").
    if (best) {
        std::printf("move %s\n", long_algebraic(best));
        std::fflush(stdout);
    }
    total_time += searched_ms;
    total_nodes += nodes_searched();
    if (total_time > 0) nps_estimate = int(double(total_nodes) / double(total_time) * 1000.0);
    log_printf("%4d  %s score(%d) iter(%d) nps(%d) hashhit (%d)\n", pos.history_count / 2, move_text(best),
               search.root_score, search.root_depth, nps_estimate, search.hash_hits);
    if (adjudicate_engine_turn()) return;
    if (!make_move(best)) std::exit(-1);
    update_hash_key(best);
    generate_root_moves();
}
