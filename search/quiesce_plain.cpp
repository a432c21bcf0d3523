// The plain quiescence searches: quiesce_ab under plain alpha-beta, and
// quiesce_null below a null move, which keeps no principal variation and
// knows that a side with nothing to capture right after the opponent passed
// has no reason to be searched. Both charge standing pat for captures that
// proved illegal: a pinned piece is a weakness the stand-pat score misses.
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

int quiesce_plain(int alpha, int beta, bool under_null) {
    // 1. prologue and table
    count_node();
    if (!under_null) pv_length[ply] = ply;
    pv[ply][ply] = 0;
    if (first_move[ply] >= MOVE_STACK_LIMIT) return stack_warning();
    const uint64_t entry_key = hash_key;
    const int orig_alpha = alpha;
    int best = NO_SCORE, stand_pat = NO_SCORE, fresh = 1;
    Move table_move = 0;
    if (hash_hit()) {
        table_move = hash_move();
        ++hash_hits;
        const int s = hash_score(), d = hash_depth();
        switch (hash_type()) {
        case HASH_EXACT:
            if (d > 0 && !table_move) break;
            if (table_move && !under_null) {
                pv[ply][ply] = table_move;
                pv_length[ply] = ply + 1;
            }
            return s;
        case HASH_LOWER:
            if (d > 0 && !table_move) break;
            if (s >= MATE_BOUND && alpha < MATE_BOUND) return s;
            if (s > alpha) {
                if (s >= beta) return s <= -MATE_BOUND ? beta : s;
                alpha = s;
                fresh = 0;
                if (table_move && !under_null) {
                    pv[ply][ply] = table_move;
                    pv_length[ply] = ply + 1;
                }
            } else if (d == 0 && s > -MATE_BOUND) {
                fresh = 0;
            }
            break;
        case HASH_UPPER:
            if (s <= alpha) return s <= -MATE_BOUND && alpha > -MATE_BOUND ? s : alpha;
            break;
        default:  // stalemate
            if (!under_null) stored_stalemate(table_move);
            return 0;
        }
    }

    // 2. check status and generation
    const int in_check = quiesce_check_status();
    if (in_check < 0) return 0;
    const bool just_passed = under_null && ply == null_ply + 1;
    if (just_passed && in_check) {
        king_capture = 1;
        return 0;
    }
    if (beta <= -MATE_BOUND && !in_check) return material_balance();
    if (!generate_quiesce_node(in_check)) return 0;
    const int moves = last_move[ply] - first_move[ply];
    if (just_passed && moves == 0) return NO_SCORE;
    if (alpha == MATE - 1 - ply || ply == PV_ROWS - 1) return material_balance();

    // 3. stand pat
    if (!in_check) {
        if (insufficient_material()) return stored_draw();
        if (!fresh) {
            if (moves == 0) return close_with_alpha(alpha);
        } else {
            set_game_phase();
            const int bal = material_balance();
            int lazy_score;
            const int lazy = lazy_margin(alpha, beta, bal, moves, &lazy_score);
            if (lazy == LAZY_RETURN) return lazy_score;
            if (lazy == LAZY_EVALUATE) {
                stand_pat = evaluate(alpha, beta);
                if (stand_pat_settles(stand_pat, beta, !under_null, &alpha)) return alpha;
                if (moves == 0) return close_with_alpha(alpha);
            }
        }
    }

    // 4. ordering
    if (under_null || !follow_pv || pv_length[0] <= ply)
        follow_pv = 0;
    else
        pv_move_first();
    if (!follow_pv && table_move) boost_move(table_move);

    // 5. the move loop
    int penalty = 0, legal_seen = 0;
    for (int i = first_move[ply]; i < last_move[ply]; ++i) {
        if (!follow_pv) pick_best(i);
        const Move m = move_list[i].move;
        if (!make_move(m)) {
            follow_pv = 0;
            continue;
        }
        update_hash_key(m);
        const int score = under_null ? -quiesce_null(-beta, -alpha) : -quiesce_ab(-beta, -alpha);
        follow_pv = 0;
        unmake_move();
        hash_key = entry_key;
        if (king_capture) {
            king_capture = 0;
            if (tune && !(move_flags(m) & MOVE_PROMOTE)) penalty += illegal_move_penalty(m);
            continue;
        }
        legal_seen = 1;
        if (tune && score <= -MATE_BOUND) penalty += 15;
        if (score > best) {
            best = score;
            pv[ply][ply] = m;
        }
        if (best <= alpha) continue;
        if (best == MATE - 1 - ply) return mate_in_one(best, beta, 1, m, !under_null);
        if (best >= beta) {
            hash_store(HASH_LOWER, 0, best >= MATE_BOUND ? best : beta, m);
            return best <= -MATE_BOUND ? beta : best;
        }
        if (!under_null) copy_child_line();
        if (best >= MATE_BOUND && orig_alpha < MATE_BOUND) {
            hash_store(HASH_LOWER, 0, best, m);
            return best;
        }
        alpha = best;
        if (pre_prune_stop(orig_alpha, best, beta)) {
            hash_store(HASH_LOWER, 0, alpha, m);
            return alpha;
        }
    }

    // 6. after the loop
    if (in_check && !legal_seen) {
        hash_store(HASH_EXACT, 1, ply - MATE, 0);
        return ply - MATE;
    }
    if (penalty && stand_pat != NO_SCORE && alpha == stand_pat) {
        const int charged = stand_pat - penalty;
        if (charged <= orig_alpha) {
            hash_store(HASH_UPPER, 0, orig_alpha, pv[ply][ply]);
            return orig_alpha;
        }
        hash_store(HASH_EXACT, 0, charged, pv[ply][ply]);
        return charged;
    }
    if (alpha > orig_alpha) return close_with_alpha(alpha);
    if (orig_alpha >= MATE_BOUND) return alpha;
    if (best <= -MATE_BOUND && in_check) {
        hash_store(beta > -MATE_BOUND ? HASH_UPPER : HASH_LOWER, 0, best, pv[ply][ply]);
        return best;
    }
    if (stand_pat != NO_SCORE)
        hash_store(HASH_LOWER, 0, stand_pat, pv[ply][ply]);
    else
        hash_store(HASH_UPPER, 0, alpha, pv[ply][ply]);
    return best > -MATE_BOUND ? best : alpha;
}

}  // namespace

int illegal_move_penalty(Move m) {
    const int from = move_from(m), king = king_square[side];
    const int kind = board[from]->kind;
    if (kind == KING) return 7 + tune_penalty[KING][0];
    const PieceRecord& queen = piece_list[side][QUEEN_RECORD];
    int pin_class;
    if (queen.alive && line_dir[queen.square - from] == line_dir[from - king])
        pin_class = 0;
    else
        pin_class = attack_kind[from - king] & ATTACK_BISHOP ? 2 : 1;
    return tune_penalty[kind][pin_class];
}

int quiesce_ab(int alpha, int beta) { return quiesce_plain(alpha, beta, false); }

int quiesce_null(int alpha, int beta) { return quiesce_plain(alpha, beta, true); }
