// What the search files share and nobody else needs: the node prologue
// pieces, the extension rules, the null-move conditions and the small
// bookkeeping steps that every search repeats.
#pragma once

#include <csetjmp>

#include "board/board.h"
#include "eval/eval.h"
#include "search/search.h"

extern jmp_buf abort_point;  // saved by root_search; the stop test and a failure jump to it

// Counts the node and polls the clock every poll_mask + 1 nodes; the first
// nine polls of a search never look at the clock.
inline void count_node() {
    ++nodes;
    if ((nodes & poll_mask) == 0 && ++poll_count > 9) check_time();
}

inline int material_balance() { return material[side] - material[xside]; }

// The move stack is nearly full: the principal-variation searches cannot go
// on and give up the whole search (search_failure says why); the others
// warn and stand on the material balance.
[[noreturn]] inline void abort_search(const char* why) {
    search_failure = why;
    std::longjmp(abort_point, 1);
}
inline int stack_warning() {
    if (warning_hook) warning_hook("stack fails");
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

// ---------------------------------------------------------------- node steps shared by the full-width searches

// At the horizon a full-width node becomes a quiescence node; quiesce_entry
// tells the quiescence search that it stands in for one.
template <typename Quiesce>
int quiesce_at_horizon(int check, Quiesce quiesce) {
    in_check_flag = check;
    quiesce_entry = 2;
    const int score = quiesce();
    quiesce_entry = 0;
    return score;
}

// Generates the node's list unless the null-move search already did:
// evasions in check, otherwise every move. False when the enemy king can
// be taken (the move that led here was illegal).
inline bool generate_node(int check, int moves_ready) {
    if (moves_ready) return true;
    in_check_flag = check;
    if (check)
        gen_evasions();
    else
        gen_moves();
    return !king_capture;
}

// A single reply costs nothing to look at one ply deeper; a lower bound the
// table gave for the shallower depth then no longer holds.
inline void extend_single_reply(int* depth, int* alpha, int orig_alpha, int* hash_lower) {
    if (last_move[ply] - first_move[ply] != 1 || ply + *depth >= 31) return;
    ++*depth;
    if (*hash_lower > NO_SCORE && hash_select() < *depth) {
        *alpha = orig_alpha;
        *hash_lower = NO_SCORE;
    }
}

// Ordering on the previous iteration's line: its move first; past its end
// the table's move; without one a shallower pass (internal iterative
// deepening, one ply less) finds a move to start with. Off the line the
// table's move is boosted. Returns 1 when the shallower pass runs.
inline int order_node(int* depth, Move table_move, int alpha, int beta, int moves_ready) {
    int iid_phase = 0;
    if (follow_pv) {
        if (pv_length[0] > ply) {
            pv_move_first();
        } else {
            follow_pv = 0;
            pv[0][ply] = 0;
            if (table_move) {
                pv[0][ply] = table_move;
                follow_pv = 1;
                pv_move_first();
            } else if (hash_table && *depth >= 2 && alpha < MATE_BOUND && beta > -MATE_BOUND &&
                       last_move[ply] - first_move[ply] > 1) {
                --*depth;
                follow_pv = 1;
                pick_best(first_move[ply]);
                iid_phase = 1;
            }
        }
    }
    if (!follow_pv && table_move && !moves_ready) boost_move(table_move);
    return iid_phase;
}

// After the shallower pass the full-depth pass starts over with its best
// move first and the window the node began with.
inline void start_full_depth_pass(int* depth, int* alpha, int* best, Move table_move, int hash_lower,
                                  int orig_alpha) {
    ++*depth;
    follow_pv = 1;
    pv[0][ply] = pv[ply][ply];
    pv_move_first();
    pv_length[ply] = ply;
    pv[ply][ply] = table_move;
    *alpha = hash_lower > NO_SCORE ? hash_lower : orig_alpha;
    *best = NO_SCORE;
}

// A stalemate stored in the table: the node scores 0, keeping the stored
// move as its line, or telling the root that its move stalemates.
inline int stored_stalemate(Move table_move) {
    if (table_move) {
        pv[ply][ply] = table_move;
        pv_length[ply] = ply + 1;
    } else if (ply == 1) {
        stalemate_seen = 1;
    }
    return 0;
}

// ---------------------------------------------------------------- steps shared by the quiescence searches

// The check status of a quiescence node: handed down by a full-width node
// that became this one (it already knows), else computed. -1 with
// king_capture raised when the side to move can take the enemy king.
inline int quiesce_check_status() {
    if (quiesce_entry == 2) {
        quiesce_entry = 1;
        return in_check_flag;
    }
    const int in_check = find_checker(xside);
    if (in_check < 0) king_capture = 1;
    return in_check;
}

// Evasions in check, otherwise captures and promotions. False when the
// enemy king can be taken.
inline bool generate_quiesce_node(int in_check) {
    in_check_flag = in_check;
    if (in_check)
        gen_evasions();
    else
        gen_captures();
    return !king_capture;
}

// The lazy margins: with the material balance far enough below alpha or
// above beta the evaluation cannot bring the score into the window. The
// margins widen in the endgame, where positional terms are larger.
constexpr int LAZY_EVALUATE = 0, LAZY_SKIP = 1, LAZY_RETURN = 2;
inline int lazy_margin(int alpha, int beta, int balance, int moves, int* result) {
    const int small = game_phase == 3 ? 150 : 100, large = game_phase == 3 ? 200 : 150;
    if (alpha - small >= balance) {
        if (alpha <= -100 || alpha - large >= balance) {
            *result = alpha;
            return moves == 0 ? LAZY_RETURN : LAZY_SKIP;
        }
    } else if (beta + small <= balance) {
        if (beta <= -100 || beta + large <= balance) {
            *result = balance;
            return LAZY_RETURN;
        }
    }
    return LAZY_EVALUATE;
}

// A move raised alpha without reaching beta. A mate found where none was
// expected ends the node at once, and so does the pre-pruning test; both
// store a lower bound. Otherwise the window narrows and the node goes on.
inline bool new_best_ends_node(int best, int orig_alpha, int beta, int depth, Move m, int* alpha) {
    if (best >= MATE_BOUND && orig_alpha < MATE_BOUND) {
        hash_store(HASH_LOWER, depth, best, m);
        *alpha = best;
        return true;
    }
    *alpha = best;
    if (pre_prune_stop(orig_alpha, best, beta)) {
        hash_store(HASH_LOWER, depth, best, m);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- table and result steps shared by the searches

// The table's move for a full-width node, counted as a hit when there is one.
inline Move counted_table_move() {
    const Move m = hash_move();
    if (m) ++hash_hits;
    return m;
}

// An exact entry ends the node when it is deep enough, or when its score is
// one no deeper search could change: a loss by mate, a mate in one, or a
// mate found while alpha is not yet a mate.
inline bool exact_entry_settles(int s, int d, int depth, int alpha) {
    return s <= -MATE_BOUND || d >= depth || s == MATE - 1 - ply || (s >= MATE_BOUND && alpha < MATE_BOUND);
}

// The move mates at once: nothing can beat it. Its line is kept unless the
// node stands under a null move or failed high.
inline int mate_in_one(int best, int beta, int depth, Move m, bool keep_line) {
    hash_store(HASH_EXACT, depth, best, m);
    if (keep_line && best < beta) copy_child_line();
    return best;
}

// A fail high: a lower bound is stored (beta itself unless the score is a
// mate) and a losing mate score is not passed up as a bound.
inline int cut_off(int best, int beta, int depth, Move m) {
    hash_store(HASH_LOWER, depth, best >= MATE_BOUND ? best : beta, m);
    return best <= -MATE_BOUND ? beta : best;
}

// In the second pass of a scout node the list is sorted by the first pass's
// scores; once an entry lost to mate there, so do all after it: its score
// is taken instead of searching them.
inline void take_mated_rest(int i, int* alpha) {
    if (move_list[i].score > *alpha) {
        *alpha = move_list[i].score;
        pv[ply][ply] = move_list[i].move;
        pv_length[ply] = ply + 1;
    }
}

// A quiescence node that ends with alpha (nothing left to try, or alpha
// raised): stored as exact at depth 0 with its line's move.
inline int close_with_alpha(int alpha) {
    hash_store(HASH_EXACT, 0, alpha, pv[ply][ply]);
    return alpha;
}

// Insufficient material: a draw, stored so the next visit needs no test.
inline int stored_draw() {
    hash_store(HASH_EXACT, 0, 0, 0);
    return 0;
}

// The stand-pat score against the window: above alpha it raises alpha (the
// node's line then ends here, unless it stands under a null move); at or
// above beta it is a lower bound that ends the node with *alpha.
inline bool stand_pat_settles(int stand_pat, int beta, bool keep_line, int* alpha) {
    if (stand_pat <= *alpha) return false;
    if (keep_line) pv_length[ply] = ply;
    *alpha = stand_pat;
    if (stand_pat < beta) return false;
    hash_store(HASH_LOWER, 0, stand_pat, 0);
    return true;
}

// The verified null move. The side to move passes; if even then the
// opponent cannot bring the score below beta, a search three plies
// shallower (`verify`, on the window just below beta) must confirm it
// before the node is cut. A confirmed search deeper than 3 has generated
// this node's moves already (*moves_ready). A pass that loses to mate
// reveals a threat: the node looks one ply deeper. Returns true when the
// node ends, with its score in *result. The pass itself never follows the
// previous iteration's line.
template <typename Verify>
bool verified_null_move(int beta, int orig_alpha, Move table_move, int* depth, int* alpha, int* moves_ready,
                        int* result, Verify verify) {
    const int saved_follow = follow_pv;
    follow_pv = 0;
    const int v = null_move_search(beta, *depth - 2);
    if (king_capture) {
        *result = 0;
        return true;
    }
    if (v >= beta && v < MATE) {
        follow_pv = saved_follow;
        if (*depth < 3) {
            *result = beta;
            return true;
        }
        const int w = verify(beta - 1, beta, *depth - 3);
        if (w >= beta) {
            *result = w > MATE_BOUND ? w : beta;
            return true;
        }
        if (*depth > 3) *moves_ready = 1;
        if (w < -MATE_BOUND) {
            *result = w;
            return true;
        }
        if (*alpha > orig_alpha) pv[ply][ply] = table_move;
    }
    if (v <= -MATE_BOUND) {
        ++*depth;
        if (orig_alpha < *alpha && hash_select() < *depth) *alpha = orig_alpha;
    }
    follow_pv = saved_follow;
    return false;
}

