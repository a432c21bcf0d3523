// Game-end adjudication: the engine announces the end of a game itself with
// a result line and then stops playing (force mode) until told otherwise.
#include <cstdio>

#include "xboard/xboard.h"
#include "search/search.h"

namespace {

// Prints a result line (each starts with an empty line) and enters force mode.
void declare(const char* line) {
    std::printf("%s", line);
    std::fflush(stdout);
    engine_side = NO_SIDE;
}

// A win for the engine's colour, or a loss when `engine_wins` is false.
void declare_decisive(bool engine_wins, const char* comment) {
    const bool white_wins = (engine_side == WHITE) == engine_wins;
    char line[96];
    std::snprintf(line, sizeof line, "\n%s {%s}\n", white_wins ? "1-0" : "0-1", comment);
    declare(line);
}

bool declare_draw_rules() {
    if (pos.fifty >= 100) {
        declare("\n1/2-1/2 {Vexmoth draws, Fifty}\n");
        return true;
    }
    if (is_threefold()) {
        declare("\n1/2-1/2 {Vexmoth draws, 3 Repetition}\n");
        return true;
    }
    return false;
}

}  // namespace

int adjudicate_engine_turn() {
    if (search.pv[0][0] == 0) {
        if (search.root_score == NO_SCORE)
            declare_decisive(false, "Vexmoth Lost - Mate");
        else if (search.root_result == RESULT_STALEMATE)
            declare("\n1/2-1/2 {Vexmoth draws, Stalemate}\n");
        else
            declare_decisive(false, "Vexmoth resigns - search failed");
        return 1;
    }
    if (search.root_score == MATE - 1) {
        declare_decisive(true, "Vexmoth Mate");
        return 1;
    }
    if (search.root_result == RESULT_STALEMATE) {
        declare("\n1/2-1/2 {Vexmoth draws, Stalemate}\n");
        return 1;
    }
    // These look at the position before the engine's move.
    return declare_draw_rules();
}

int adjudicate_opponent_turn() { return declare_draw_rules(); }

void declare_game_too_long() { declare("\n1/2-1/2 {Vexmoth draws, game too long}\n"); }

// Unlike the search's test, a position set up with a fifty-move count
// longer than the game so far is walked back to the set-up.
int is_threefold() {
    if (pos.fifty < 4) return 0;
    return repetition_walk(pos.history_count > pos.fifty ? pos.history_count - pos.fifty : 0, 2);
}
