// The quiescence search under the principal-variation search: captures and
// promotions (every evasion in check) until the position is quiet, with a
// stand-pat evaluation, lazy material margins and the same self re-search
// of scout nodes as search_pvs.
#include "eval/eval.h"
#include "search/search_internal.h"

int quiesce_pvs(int alpha, int beta, int full_alpha) {
    // 1. prologue and table
    count_node();
    pv_length[ply] = ply;
    pv[ply][ply] = 0;
    if (first_move[ply] >= MOVE_STACK_LIMIT) abort_search("stack fails");
    const uint64_t entry_key = hash_key;
    int orig_alpha = alpha, best = NO_SCORE, stand_pat = NO_SCORE, hash_bound = NO_SCORE, fresh = 1;
    Move table_move = 0;
    if (hash_hit()) {
        table_move = hash_move();
        ++hash_hits;
        const int s = hash_score(), d = hash_depth();
        switch (hash_type()) {
        case HASH_EXACT:
            if (d > 0 && !table_move) break;
            if (table_move) {
                pv[ply][ply] = table_move;
                pv_length[ply] = ply + 1;
            }
            return s;
        case HASH_LOWER:
            if (d > 0 && !table_move) break;
            if (table_move) {
                pv[ply][ply] = table_move;
                pv_length[ply] = ply + 1;
            }
            if (s >= MATE_BOUND && alpha < MATE_BOUND) return s;
            if (s > alpha) {
                if (s >= beta) return s <= -MATE_BOUND ? beta : s;
                alpha = hash_bound = s;
                fresh = 0;
                if (table_move) best = s;
            } else {
                hash_bound = s;
                if (d == 0 && s > -MATE_BOUND) fresh = 0;
            }
            break;
        case HASH_UPPER:
            if (s > alpha) break;
            alpha = orig_alpha = full_alpha;
            if (s <= alpha) return s > -MATE_BOUND || alpha <= -MATE_BOUND ? alpha : s;
            break;
        default:  // stalemate
            return stored_stalemate(table_move);
        }
    }
    const int pvs_ok = alpha < MATE_BOUND && beta > -MATE_BOUND;

    // 2. check status and generation
    const int in_check = quiesce_check_status();
    if (in_check < 0) return 0;
    if (beta <= -MATE_BOUND && !in_check) return material_balance();
    if (!generate_quiesce_node(in_check)) return 0;
    if (alpha == MATE - 1 - ply || ply == PV_ROWS - 1) return material_balance();
    const int moves = last_move[ply] - first_move[ply];

    // 3. stand pat, unless in check (there standing still is no option)
    if (!in_check) {
        if (insufficient_material()) return stored_draw();
        if (!fresh) {
            if (moves == 0) return close_with_alpha(alpha);
        } else {
            set_game_phase();
            const int bal = material_balance();
            if (alpha - 100 >= bal) {  // far below a scout window: take the real one
                alpha = orig_alpha = full_alpha;
                if (hash_bound > alpha) alpha = hash_bound;
            }
            int lazy_score;
            const int lazy = lazy_margin(alpha, beta, bal, moves, &lazy_score);
            if (lazy == LAZY_RETURN) return lazy_score;
            if (lazy == LAZY_EVALUATE) {
                stand_pat = evaluate(full_alpha, beta);
                if (stand_pat_settles(stand_pat, beta, true, &alpha)) return alpha;
                if (moves == 0) return close_with_alpha(alpha);
            }
        }
    }

    // 4. ordering
    if (follow_pv && pv_length[0] > ply)
        pv_move_first();
    else
        follow_pv = 0;
    if (!follow_pv && table_move) boost_move(table_move);
    int scout = full_alpha < orig_alpha ? 1 : 0;

    // 5. the passes over the list. An illegal capture would earn the tune
    // penalty here as in the plain quiescence search, but this search has
    // never applied it, so it is not gathered.
    int searched = 0, legal_seen = 0;
    for (;;) {
        for (int i = first_move[ply]; i < last_move[ply]; ++i) {
            if (!follow_pv) pick_best(i);
            if (move_list[i].score == ILLEGAL_SCORE) break;
            if (scout == 2 && move_list[i].score <= -MATE_BOUND) {
                take_mated_rest(i, &alpha);
                break;
            }
            const Move m = move_list[i].move;
            if (!make_move(m)) {
                follow_pv = 0;
                if (scout == 1) move_list[i].score = ILLEGAL_SCORE;
                continue;
            }
            update_hash_key(m);
            int score;
            if (beta == alpha + 1)
                score = -quiesce_ab(-beta, -alpha);
            else if (searched && pvs_ok && alpha > -MATE_BOUND)
                score = -quiesce_pvs(-alpha - 1, -alpha, -beta);
            else
                score = -quiesce_pvs(-beta, -alpha, -beta);
            follow_pv = 0;
            unmake_move();
            hash_key = entry_key;
            if (king_capture) {
                king_capture = 0;
                if (scout == 1) move_list[i].score = ILLEGAL_SCORE;
                continue;
            }
            searched = legal_seen = 1;
            if (score > best) {
                best = score;
                pv[ply][ply] = m;
            }
            if (best <= alpha) {
                if (scout) move_list[i].score = score;
                continue;
            }
            if (best == MATE - 1 - ply) return mate_in_one(best, beta, 1, m, true);
            if (best >= beta) {
                hash_store(HASH_LOWER, 0, best >= MATE_BOUND ? best : beta, m);
                return best <= -MATE_BOUND ? beta : best;
            }
            copy_child_line();
            if (best >= MATE_BOUND && orig_alpha < MATE_BOUND) {
                hash_store(HASH_LOWER, 0, best, m);
                return best;
            }
            alpha = best;
            if (pre_prune_stop(orig_alpha, best, beta)) {
                hash_store(HASH_LOWER, 0, alpha, m);
                return alpha;
            }
            if (scout) move_list[i].score = best;
        }

        // 6. after the pass
        if (in_check && !legal_seen) {
            hash_store(HASH_EXACT, 1, ply - MATE, 0);
            return ply - MATE;
        }
        if (alpha > orig_alpha) return close_with_alpha(alpha);
        if (orig_alpha >= MATE_BOUND) return alpha;
        if (best <= -MATE_BOUND && in_check) {
            hash_store(beta > -MATE_BOUND ? HASH_UPPER : HASH_LOWER, 0, best, pv[ply][ply]);
            return best;
        }
        if (scout == 1 && searched && full_alpha < alpha) {
            alpha = orig_alpha = full_alpha;
            if (hash_bound > alpha) alpha = hash_bound;
            if (stand_pat > alpha) alpha = stand_pat;
            if (best > -MATE_BOUND) {
                best = NO_SCORE;
                searched = 0;
                scout = 2;
                pv_length[ply] = ply;
                continue;
            }
        }
        if (stand_pat != NO_SCORE)
            hash_store(HASH_LOWER, 0, stand_pat, pv[ply][ply]);
        else
            hash_store(HASH_UPPER, 0, alpha, pv[ply][ply]);
        return best > -MATE_BOUND ? best : alpha;
    }
}
