// The quiescence searches: captures and promotions (every evasion in check)
// until the position is quiet, with a stand-pat evaluation, lazy material
// margins and the table, as one body over the kind of search they stand
// under. The kinds differ in a few conditions, each marked where it acts:
// - under the PV search a scout node re-searches itself on the caller's
//   real window, as the full-width PV search does, and a node far below a
//   scout window takes the real one before standing pat;
// - under plain alpha-beta and the null search a capture that proved
//   illegal is charged to standing pat (the tune option): a pinned piece is
//   a weakness the stand-pat score misses;
// - below a null move no principal variation is kept, and a side with
//   nothing to capture right after the opponent passed is not searched.
#include <cassert>

#include "eval/eval.h"
#include "search/search_internal.h"

namespace {

// By kind, then pin class: 0 the own queen stands behind the piece on the
// king's line, 1 a file or rank (or no line), 2 a diagonal.
constexpr int tune_penalty[6][3] = {
    {3, 3, 3},  // PAWN
    {3, 3, 4},  // KNIGHT
    {3, 3, 4},  // BISHOP
    {3, 4, 5},  // ROOK
    {4, 6, 7},  // QUEEN
    {7, 7, 7},  // KING
};

// The penalty a quiescence node gathers for a capture that proved illegal:
// the more valuable the pinned piece, the likelier standing pat is wrong.
int illegal_move_penalty(Move m) {
    const int from = move_from(m), king = pos.king_square[pos.side];
    const int kind = pos.board[from]->kind;
    if (kind == KING) return 7 + tune_penalty[KING][0];
    const PieceRecord& queen = recs.piece_list[pos.side][QUEEN_RECORD];
    int pin_class;
    if (queen.alive && line_dir[queen.square - from] == line_dir[from - king])
        pin_class = 0;
    else
        pin_class = attack_kind[from - king] & ATTACK_BISHOP ? 2 : 1;
    return tune_penalty[kind][pin_class];
}

// The check status of a quiescence node: handed down by a full-width node
// that became this one (it already knows), else computed. -1 with
// king_capture raised when the side to move can take the enemy king.
int quiesce_check_status() {
    if (search.quiesce_entry == 2) {
        search.quiesce_entry = 1;
        return pos.in_check_flag;
    }
    const int in_check = find_checker(pos.xside);
    if (in_check < 0) pos.king_capture = 1;
    return in_check;
}

// Evasions in check, otherwise captures and promotions. False when the
// enemy king can be taken.
bool generate_quiesce_node(int in_check) {
    pos.in_check_flag = in_check;
    if (in_check)
        gen_evasions();
    else
        gen_captures();
    return !pos.king_capture;
}

// Bare king against a bare king, or against less than a rook without pawns.
int insufficient_material() {
    for (int c = WHITE; c <= BLACK; ++c) {
        const int other = pos.material[c ^ 1];
        if (pos.material[c] == 0 && (other == 0 || (other < 400 && other == pos.piece_material[c ^ 1]))) return 1;
    }
    return 0;
}

// The lazy margins: with the material balance far enough below alpha or
// above beta the evaluation cannot bring the score into the window. The
// margins widen in the endgame, where positional terms are larger.
constexpr int LAZY_EVALUATE = 0, LAZY_SKIP = 1, LAZY_RETURN = 2;
int lazy_margin(int alpha, int beta, int balance, int moves, int* result) {
    const int small = ev.game_phase == 3 ? 150 : 100, large = ev.game_phase == 3 ? 200 : 150;
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

// A node that ends with alpha (nothing left to try, or alpha raised):
// stored as exact at depth 0 with its line's move.
int close_with_alpha(int alpha) {
    hash_store(HASH_EXACT, 0, alpha, search.pv[pos.ply][pos.ply]);
    return alpha;
}

// The stand-pat score against the window: above alpha it raises alpha (the
// node's line then ends here, unless it stands under a null move); at or
// above beta it is a lower bound that ends the node with *alpha.
bool stand_pat_settles(int stand_pat, int beta, bool keep_line, int* alpha) {
    if (stand_pat <= *alpha) return false;
    if (keep_line) search.pv_length[pos.ply] = pos.ply;
    *alpha = stand_pat;
    if (stand_pat < beta) return false;
    hash_store(HASH_LOWER, 0, stand_pat, 0);
    return true;
}

// The child of a capture, from this node's view, searched as child_score
// does for the full-width searches.
template <SearchKind kind>
int child_score(int alpha, int beta, int searched, int pvs_ok) {
    if (kind == NULL_SEARCH) return -quiesce_null(-beta, -alpha);
    if (kind == AB_SEARCH || beta == alpha + 1) return -quiesce_ab(-beta, -alpha);
    if (searched && pvs_ok && alpha > -MATE_BOUND) return -quiesce_pvs(-alpha - 1, -alpha, -beta);
    return -quiesce_pvs(-beta, -alpha, -beta);
}

template <SearchKind kind>
int quiesce(int alpha, int beta, int full_alpha) {
    constexpr bool pvs = kind == PVS_SEARCH;
    constexpr bool keeps_line = kind != NULL_SEARCH;

    // 1. prologue and table
    assert(keeps_line || search.follow_pv == 0);
    count_node();
    if (keeps_line) search.pv_length[pos.ply] = pos.ply;
    search.pv[pos.ply][pos.ply] = 0;
    if (pos.first_move[pos.ply] >= MOVE_STACK_LIMIT) {
        if (pvs) abort_search("stack fails");
        return stack_warning();
    }
    const uint64_t entry_key = pos.hash_key;
    int orig_alpha = alpha, best = NO_SCORE, stand_pat = NO_SCORE, hash_bound = NO_SCORE, fresh = 1;
    Move table_move = 0;
    TableProbe t;
    if (probe_table(&t, true)) {
        table_move = t.move;
        const int s = t.score, d = t.depth;
        switch (t.type) {
        case HASH_EXACT:
            if (d > 0 && !table_move) break;
            if (keeps_line && table_move) {
                search.pv[pos.ply][pos.ply] = table_move;
                search.pv_length[pos.ply] = pos.ply + 1;
            }
            return s;
        case HASH_LOWER:
            if (d > 0 && !table_move) break;
            // The PV search takes the entry's move as its line whatever the
            // bound says; plain alpha-beta only when the bound raises alpha.
            if (pvs && table_move) {
                search.pv[pos.ply][pos.ply] = table_move;
                search.pv_length[pos.ply] = pos.ply + 1;
            }
            if (s >= MATE_BOUND && alpha < MATE_BOUND) return s;
            hash_bound = s;
            if (s > alpha) {
                if (s >= beta) return s <= -MATE_BOUND ? beta : s;
                alpha = s;
                fresh = 0;
                if (pvs && table_move) best = s;
                if (kind == AB_SEARCH && table_move) {
                    search.pv[pos.ply][pos.ply] = table_move;
                    search.pv_length[pos.ply] = pos.ply + 1;
                }
            } else if (d == 0 && s > -MATE_BOUND) {
                fresh = 0;
            }
            break;
        case HASH_UPPER:
            if (s > alpha) break;
            alpha = orig_alpha = full_alpha;  // a scout window widens to the real one
            if (s <= alpha) return s > -MATE_BOUND || alpha <= -MATE_BOUND ? alpha : s;
            break;
        default:  // stalemate
            return keeps_line ? stored_stalemate(table_move) : 0;
        }
    }
    const int pvs_ok = alpha < MATE_BOUND && beta > -MATE_BOUND;

    // 2. check status and generation
    const int in_check = quiesce_check_status();
    if (in_check < 0) return 0;
    const bool just_passed = kind == NULL_SEARCH && pos.ply == search.null_ply + 1;
    if (just_passed && in_check) {  // passing while in check is no move at all
        pos.king_capture = 1;
        return 0;
    }
    if (beta <= -MATE_BOUND && !in_check) return material_balance();
    if (!generate_quiesce_node(in_check)) return 0;
    const int moves = pos.last_move[pos.ply] - pos.first_move[pos.ply];
    if (just_passed && moves == 0) return NO_SCORE;
    if (alpha == MATE - 1 - pos.ply || pos.ply == PV_ROWS - 1) return material_balance();

    // 3. stand pat, unless in check (there standing still is no option)
    if (!in_check) {
        if (insufficient_material()) {
            hash_store(HASH_EXACT, 0, 0, 0);
            return 0;
        }
        if (!fresh) {
            if (moves == 0) return close_with_alpha(alpha);
        } else {
            set_game_phase();
            const int bal = material_balance();
            if (pvs && alpha - 100 >= bal) {  // far below a scout window: take the real one
                alpha = orig_alpha = full_alpha;
                if (hash_bound > alpha) alpha = hash_bound;
            }
            int lazy_score;
            const int lazy = lazy_margin(alpha, beta, bal, moves, &lazy_score);
            if (lazy == LAZY_RETURN) return lazy_score;
            if (lazy == LAZY_EVALUATE) {
                stand_pat = evaluate(pvs ? full_alpha : alpha, beta);
                if (stand_pat_settles(stand_pat, beta, keeps_line, &alpha)) return alpha;
                if (moves == 0) return close_with_alpha(alpha);
            }
        }
    }

    // 4. ordering
    if (search.follow_pv && search.pv_length[0] > pos.ply)
        pv_move_first();
    else
        search.follow_pv = 0;
    if (!search.follow_pv && table_move) boost_move(table_move);
    int scout = full_alpha < orig_alpha ? 1 : 0;

    // 5. the passes over the list
    int penalty = 0, searched = 0, legal_seen = 0;
    for (;;) {
        for (int i = pos.first_move[pos.ply]; i < pos.last_move[pos.ply]; ++i) {
            if (!search.follow_pv) pick_best(i);
            // Only a scout node marks entries illegal, and only its second
            // pass finds scores of the first.
            if (pos.move_list[i].score == ILLEGAL_SCORE) break;
            if (scout == 2 && pos.move_list[i].score <= -MATE_BOUND) {
                take_mated_rest(i, &alpha);
                break;
            }
            const Move m = pos.move_list[i].move;
            if (!make_move(m)) {
                search.follow_pv = 0;
                if (scout == 1) pos.move_list[i].score = ILLEGAL_SCORE;
                continue;
            }
            update_hash_key(m);
            const int score = child_score<kind>(alpha, beta, searched, pvs_ok);
            search.follow_pv = 0;
            unmake_move();
            pos.hash_key = entry_key;
            if (pos.king_capture) {
                pos.king_capture = 0;
                if (scout == 1) pos.move_list[i].score = ILLEGAL_SCORE;
                // The PV search has never charged standing pat.
                if (!pvs && tune && !(move_flags(m) & MOVE_PROMOTE)) penalty += illegal_move_penalty(m);
                continue;
            }
            searched = legal_seen = 1;
            if (!pvs && tune && score <= -MATE_BOUND) penalty += 15;
            if (score > best) {
                best = score;
                search.pv[pos.ply][pos.ply] = m;
            }
            if (best <= alpha) {
                if (scout) pos.move_list[i].score = score;
                continue;
            }
            if (best == MATE - 1 - pos.ply) return mate_in_one(best, beta, 1, m, keeps_line);
            if (best >= beta) return cut_off(best, beta, 0, m);
            if (keeps_line) copy_child_line();
            if (new_best_ends_node(best, orig_alpha, beta, 0, m, &alpha)) return alpha;
            if (scout) pos.move_list[i].score = best;
        }

        // 6. after the pass
        if (in_check && !legal_seen) {
            hash_store(HASH_EXACT, 1, pos.ply - MATE, 0);
            return pos.ply - MATE;
        }
        // Illegal captures and lost lines charged to standing pat, when no
        // capture did better than it.
        if (penalty && stand_pat != NO_SCORE && alpha == stand_pat) {
            const int charged = stand_pat - penalty;
            if (charged <= orig_alpha) {
                hash_store(HASH_UPPER, 0, orig_alpha, search.pv[pos.ply][pos.ply]);
                return orig_alpha;
            }
            hash_store(HASH_EXACT, 0, charged, search.pv[pos.ply][pos.ply]);
            return charged;
        }
        if (alpha > orig_alpha) return close_with_alpha(alpha);
        if (orig_alpha >= MATE_BOUND) return alpha;
        if (best <= -MATE_BOUND && in_check) return mated_in_every_line(best, beta, 0);
        // The scout failed low: search again on the real window.
        if (scout == 1 && searched && full_alpha < alpha) {
            alpha = orig_alpha = full_alpha;
            if (hash_bound > alpha) alpha = hash_bound;
            if (stand_pat > alpha) alpha = stand_pat;
            if (best > -MATE_BOUND) {
                best = NO_SCORE;
                searched = 0;
                scout = 2;
                search.pv_length[pos.ply] = pos.ply;
                continue;
            }
        }
        if (stand_pat != NO_SCORE)
            hash_store(HASH_LOWER, 0, stand_pat, search.pv[pos.ply][pos.ply]);
        else
            hash_store(HASH_UPPER, 0, alpha, search.pv[pos.ply][pos.ply]);
        return best > -MATE_BOUND ? best : alpha;
    }
}

}  // namespace

int quiesce_pvs(int alpha, int beta, int full_alpha) { return quiesce<PVS_SEARCH>(alpha, beta, full_alpha); }

// Plain alpha-beta and the null search have no real window below their own.
int quiesce_ab(int alpha, int beta) { return quiesce<AB_SEARCH>(alpha, beta, alpha); }

int quiesce_null(int alpha, int beta) { return quiesce<NULL_SEARCH>(alpha, beta, alpha); }
