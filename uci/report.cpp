// What a GUI sees of a search: "info" lines with the depth, the score (in
// centipawns, or mate in moves), nodes, speed, time, table use and the
// principal variation, each move of which is checked to be legal in turn.
#include <cstdio>

#include "uci/uci.h"

namespace {

Move last_reported_best;  // the first move of the last info line of this search

// Whether m is an entry of the current ply's list. Above the root the list
// is generated first; at the root the search's own list is read, never
// regenerated, as the root is iterating over it. Lists are only made
// below the move stack's limit, as in the search.
bool in_current_list(Move m) {
    if (ply > 0) {
        if (first_move[ply] >= MOVE_STACK_LIMIT) return false;
        in_check_flag = find_checker(xside);
        if (in_check_flag)
            gen_evasions();
        else
            gen_moves();
        if (king_capture) return false;
    }
    for (int i = first_move[ply]; i < last_move[ply]; ++i)
        if (move_list[i].move == m) return true;
    return false;
}

// The score as UCI writes it: mate scores as moves to the mate, negative
// when the side to move is mated.
void score_text(char* text, size_t size) {
    if (root_score >= MATE_BOUND)
        std::snprintf(text, size, "mate %d", (MATE - root_score + 1) / 2);
    else if (root_score <= -MATE_BOUND)
        std::snprintf(text, size, "mate -%d", (MATE + root_score + 1) / 2);
    else
        std::snprintf(text, size, "cp %d", root_score);
}

long long speed(int elapsed) { return (long long)(nodes * 1000 / (elapsed > 0 ? elapsed : 1)); }

void print_info() {
    const int length = legal_prefix(pv[0], pv_length[0]);
    if (length == 0) return;
    const int elapsed = elapsed_since(search_limits.start_ms);
    char score[32];
    score_text(score, sizeof score);
    char text[128 + PV_COLUMNS * 8];
    int used = std::snprintf(text, sizeof text, "info depth %d score %s nodes %lld nps %lld time %d hashfull %d pv",
                             root_depth, score, (long long)nodes, speed(elapsed), elapsed, hash_full_permille());
    for (int i = 0; i < length; ++i)
        used += std::snprintf(text + used, sizeof text - size_t(used), " %s", long_algebraic(pv[0][i]));
    output_line("%s", text);
}

}  // namespace

int legal_prefix(const Move* moves, int count) {
    // The generator and the check test leave these words behind; the search
    // finds them as it left them.
    const int saved_check = in_check_flag, saved_capture = king_capture, saved_checker = checker_square;
    const uint64_t saved_block = block_mask;
    const int saved_kings[2] = {king_square[WHITE], king_square[BLACK]};
    int made = 0;
    while (made < count && ply < MAX_PLY - 2 && moves[made] && in_current_list(moves[made]) &&
           make_legal_move(moves[made]))
        ++made;
    for (int i = 0; i < made; ++i) unmake_move();
    in_check_flag = saved_check;
    king_capture = saved_capture;
    checker_square = saved_checker;
    block_mask = saved_block;
    king_square[WHITE] = saved_kings[WHITE];
    king_square[BLACK] = saved_kings[BLACK];
    return made;
}

void begin_reports() { last_reported_best = 0; }

void report_search_end() {
    const int elapsed = elapsed_since(search_limits.start_ms);
    output_line("info nodes %lld nps %lld time %d hashfull %d", (long long)nodes, speed(elapsed), elapsed,
                hash_full_permille());
}

void report_progress(int event) {
    if (event != PROGRESS_NEW_BEST && event != PROGRESS_ITERATION) return;  // not reported here
    if (event == PROGRESS_NEW_BEST && pv[0][0] == last_reported_best) return;
    last_reported_best = pv[0][0];
    print_info();
}

void report_warning(const char* text) { output_line("info string %s", text); }
