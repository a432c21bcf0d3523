// What the search files share and nobody else needs: the node prologue
// pieces, the extension rules, the null-move conditions and the small
// bookkeeping steps that every search repeats.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "board/board.h"
#include "driver/driver.h"
#include "search/search.h"

// Counts the node and polls the clock every poll_mask + 1 nodes; the first
// nine polls of a search never look at the clock.
inline void count_node() {
    ++nodes;
    if ((nodes & poll_mask) == 0 && ++poll_count > 9) check_time();
}

inline int material_balance() { return material[side] - material[xside]; }

// The move stack is nearly full: the principal-variation searches cannot go
// on and end the process; the others print the same warning and stand on
// the material balance.
[[noreturn]] inline void move_stack_exhausted(const char* line) {
    std::printf("%s", line);
    std::fflush(stdout);
    std::exit(-1);
}
inline int stack_warning() {
    std::printf("telluser stack fails\n");
    std::fflush(stdout);
    return material_balance();
}

// Plies added for a check, a promotion just played, or a capture that
// answers a promotion. Far below the window only the last one counts.
inline int move_extension(int beta, int in_check) {
    const int last = move_flags(history[history_count - 1].move);
    const int before = history_count >= 2 ? move_flags(history[history_count - 2].move) : 0;
    const int recapture_of_promotion = (last & MOVE_CAPTURE) && (before & MOVE_PROMOTE);
    if (beta > -300) return in_check || (last & MOVE_PROMOTE) || recapture_of_promotion ? 1 : 0;
    return recapture_of_promotion ? 1 : 0;
}

// The fractional extension: whole plies of extension_fraction go into
// depth, the remainder stays. Returns whether this node keeps the fraction
// book (it does so only above a zero beta).
inline int convert_fraction(int* depth, int beta) {
    int f = extension_fraction;
    if (f >= 60) {
        *depth += f / 60;
        f %= 60;
    }
    extension_fraction = f;
    return beta > 0 ? 1 : 0;
}

// Null move is worth trying only with enough material to make zugzwang
// unlikely and when not behind: the material balance must reach beta - 200.
inline int null_move_material_ok(int beta) {
    const int lead = material_balance();
    return material[side] >= 1100 && piece_material[side] >= 600 && lead >= 0 && lead >= beta - 200 &&
           beta > -MATE_BOUND && beta < MATE_BOUND;
}

// Raises the history counter of a quiet move that raised alpha. Called
// after unmake, when an empty target square means the move took nothing.
inline void record_history(Move m, int depth) {
    if (board[move_to(m)]) return;
    uint32_t& counter = history_table[square64(move_from(m))][square64(move_to(m))];
    counter += uint32_t(depth * depth);
    if (counter > history_max) history_max = counter;
}

// Takes the child's line as this ply's line behind pv[ply][ply].
inline void copy_child_line() {
    pv_length[ply] = pv_length[ply + 1];
    for (int c = ply + 1; c < pv_length[ply + 1]; ++c) pv[ply][c] = pv[ply + 1][c];
}

// The early stop: a move that lifts a comfortable alpha by more than half
// a pawn while staying clear of beta ends the node.
inline int pre_prune_stop(int orig_alpha, int best, int beta) {
    return pre_prune && orig_alpha < MATE_BOUND && beta > -MATE_BOUND && orig_alpha >= 50 &&
           best - orig_alpha > 50 && beta - best > 50;
}

// Bare king against a bare king, or against less than a rook without pawns.
inline int insufficient_material() {
    for (int c = WHITE; c <= BLACK; ++c) {
        const int other = material[c ^ 1];
        if (material[c] == 0 && (other == 0 || (other < 400 && other == piece_material[c ^ 1])))
            return 1;
    }
    return 0;
}

// The penalty a quiescence node gathers for a capture that proved illegal:
// the more valuable the pinned piece, the likelier standing pat is wrong.
int illegal_move_penalty(Move m);

// The end of a node that found no legal move: mated when in check (an exact
// score), else stalemate, which one ply below the root tells the root.
inline int no_legal_move(int check, int depth) {
    if (check) {
        hash_store(HASH_EXACT, depth, ply - MATE, 0);
        return ply - MATE;
    }
    hash_store(HASH_STALEMATE, 0, 0, 0);
    if (ply == 1) stalemate_seen = 1;
    return 0;
}

// The end of a plain alpha-beta node that searched its moves without a
// cut-off: exact when alpha rose, otherwise an upper bound (a lower one
// when even beta says mated).
inline int close_node(int alpha, int orig_alpha, int best, int beta, int depth) {
    if (alpha > orig_alpha) {
        hash_store(HASH_EXACT, depth, alpha, pv[ply][ply]);
        return alpha;
    }
    if (orig_alpha >= MATE_BOUND) return alpha;
    if (best > -MATE_BOUND)
        hash_store(HASH_UPPER, depth, alpha, pv[ply][ply]);
    else
        hash_store(beta <= -MATE_BOUND ? HASH_LOWER : HASH_UPPER, depth, best, pv[ply][ply]);
    return best;
}
