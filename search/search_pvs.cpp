// The principal-variation search. A scout node re-searches itself: when its
// null window fails low and the caller's real window (full_alpha) lies
// below, it widens alpha and searches its list again, ordered by the scores
// the first pass gave each move.
#include "search/search_internal.h"

int search_pvs(int alpha, int beta, int depth, int full_alpha) {
    // 1. prologue
    count_node();
    pv_length[ply] = ply;
    pv[ply][ply] = 0;
    if (first_move[ply] >= MOVE_STACK_LIMIT) abort_search("move stack fails");
    const int check = find_checker(xside);
    if (check < 0) {
        king_capture = 1;
        return 0;
    }
    // Mated two plies on is the worst beta can say: only the balance is left to tell.
    if (beta == ply - (MATE - 2) && !check) return material_balance();
    if (is_repetition()) return 0;

    // 2. extensions
    const int entry_fraction = extension_fraction;
    int fraction_live = 0;
    if (fractional_extension && alpha < MATE_BOUND && beta > -MATE_BOUND)
        fraction_live = convert_fraction(&depth, beta);
    if (ply + depth < 31) depth += move_extension(beta, check);
    if (depth < 1) return quiesce_at_horizon(check, [&] { return quiesce_pvs(alpha, beta, full_alpha); });

    // 3. transposition table
    const uint64_t entry_key = hash_key;
    int orig_alpha = alpha;
    Move table_move = 0;
    int hash_lower = NO_SCORE, upper_hit = 0, pvs_ok = 1;
    if (hash_hit()) {
        table_move = counted_table_move();
        const int s = hash_score(), d = hash_depth();
        switch (hash_type()) {
        case HASH_EXACT:
            if (d > 0 && !table_move) break;
            if (table_move) pv[ply][ply] = table_move;
            if (exact_entry_settles(s, d, depth, alpha)) {
                if (s < beta) pv_length[ply] = ply + 1;
                return s;
            }
            if (s >= MATE_BOUND) pvs_ok = 0;
            break;
        case HASH_LOWER:
            if (d > 0 && !table_move) break;
            pv[ply][ply] = table_move;
            if (s >= MATE_BOUND && alpha < MATE_BOUND) {
                if (s < beta) pv_length[ply] = ply + 1;
                return s;
            }
            if (d < depth) break;
            hash_lower = s;
            if (s > alpha) {
                pv_length[ply] = ply + 1;
                if (s >= beta) return s <= -MATE_BOUND ? beta : s;
                alpha = s;
            }
            break;
        case HASH_UPPER:
            if (s <= alpha) alpha = orig_alpha = full_alpha;
            if (s <= alpha) {
                if (s <= -MATE_BOUND) return alpha <= -MATE_BOUND ? alpha : s;
                if (d >= depth) return alpha;
            }
            upper_hit = 1;
            break;
        default:  // stalemate
            return stored_stalemate(table_move);
        }
    }
    pvs_ok = pvs_ok && alpha < MATE_BOUND && beta > -MATE_BOUND;

    // 4. verified null move
    int moves_ready = 0;
    if (nullmove && !check && !upper_hit && depth >= 2 && null_move_material_ok(beta)) {
        int result;
        if (verified_null_move(beta, orig_alpha, table_move, &depth, &alpha, &moves_ready, &result,
                               [](int a, int b, int d) { return search_ab(a, b, d); }))
            return result;
    }

    // 5. generation
    if (!generate_node(check, moves_ready)) return 0;
    if (alpha == MATE - 1 - ply) return material_balance();
    extend_single_reply(&depth, &alpha, orig_alpha, &hash_lower);

    // 6. ordering: the previous line, else the table's move, else a
    // shallower search to find one
    int iid_phase = order_node(&depth, table_move, alpha, beta, moves_ready);
    int research_state = research && ply == 1 && alpha + 1 < beta && beta > -MATE_BOUND && alpha < -50 ? 0 : -1;
    int scout = orig_alpha > full_alpha ? 1 : 0;
    const int follow_at_start = follow_pv;

    // 7. the passes over the list
    int best = NO_SCORE, searched = 0, legal_seen = 0;
    for (;;) {
        bool restart = false;
        for (int i = first_move[ply]; i < last_move[ply] && !restart; ++i) {
            if (!follow_pv) pick_best(i);
            if (move_list[i].score == ILLEGAL_SCORE) break;
            if (scout == 2 && move_list[i].score <= -MATE_BOUND) {
                take_mated_rest(i, &alpha);
                break;
            }
            if (iid_phase == 2) {  // the full-depth pass starts with the shallow pass's best
                start_full_depth_pass(&depth, &alpha, &best, table_move, hash_lower, orig_alpha);
                iid_phase = 0;
                searched = 0;
            }
            const Move m = move_list[i].move;
            int score;
            for (;;) {  // once more for the research extension
                if (!make_move(m)) {
                    follow_pv = 0;
                    if (scout == 1) move_list[i].score = ILLEGAL_SCORE;
                    goto next_entry;
                }
                update_hash_key(m);
                if (beta == alpha + 1)
                    score = -search_ab(-beta, -alpha, depth - 1);
                else if (searched && pvs_ok && alpha > -MATE_BOUND)
                    score = -search_pvs(-alpha - 1, -alpha, depth - 1, -beta);
                else
                    score = -search_pvs(-beta, -alpha, depth - 1, -beta);
                follow_pv = 0;
                unmake_move();
                hash_key = entry_key;
                if (king_capture) {
                    king_capture = 0;
                    if (scout == 1) move_list[i].score = ILLEGAL_SCORE;
                    goto next_entry;
                }
                searched = legal_seen = 1;
                // Research: one ply below the root a first move that loses
                // more than half a pawn is looked at one ply deeper.
                if (research_state != 0 || iid_phase != 0 || score >= beta) break;
                if (score >= -50) {
                    research_state = -1;
                    break;
                }
                ++depth;
                research_state = 1;
                if (hash_lower > NO_SCORE && hash_select() < depth) alpha = orig_alpha;
                if (score <= -MATE_BOUND) break;
                follow_pv = i == first_move[ply] && follow_at_start;
                searched = 0;
                best = NO_SCORE;
                pv_length[ply] = ply;
            }
            if (score > best) {
                best = score;
                pv[ply][ply] = m;
            }
            if (best <= alpha) {
                if (fraction_live && score <= -MATE_BOUND) extension_fraction -= 15;
                if (scout) move_list[i].score = score;
                continue;
            }
            record_history(m, depth);
            if (best == MATE - 1 - ply) return mate_in_one(best, beta, depth, m, true);
            if (best >= beta) {
                if (iid_phase) {
                    ++iid_phase;
                    restart = true;
                    continue;
                }
                return cut_off(best, beta, depth, m);
            }
            copy_child_line();
            if (new_best_ends_node(best, orig_alpha, beta, depth, m, &alpha)) return alpha;
            if (scout) move_list[i].score = best;
            if (research_state == 1 && best >= -30) {
                --depth;
                research_state = 2;
            }
            if (fraction_live && orig_alpha > -50 && beta < 50) extension_fraction += 30;
        next_entry:;
        }
        if (restart) continue;

        // 8. after the pass
        if (fifty >= 100) return 0;
        if (!legal_seen) return no_legal_move(check, depth);
        if (iid_phase == 1 && best > -MATE_BOUND) {
            iid_phase = 2;
            continue;
        }
        if (alpha > orig_alpha) {
            hash_store(HASH_EXACT, depth, alpha, pv[ply][ply]);
            return alpha;
        }
        if (orig_alpha >= MATE_BOUND) return alpha;
        if (best <= -MATE_BOUND) {
            hash_store(beta > -MATE_BOUND ? HASH_UPPER : HASH_LOWER, depth, best, pv[ply][ply]);
            return best;
        }
        if (full_alpha >= alpha) {
            hash_store(HASH_UPPER, depth, alpha, pv[ply][ply]);
            return best;
        }
        // 9. the scout failed low: search again on the real window
        alpha = orig_alpha = full_alpha;
        if (hash_lower > alpha) alpha = hash_lower;
        searched = 0;
        pv_length[ply] = ply;
        scout = 2;
        fraction_live = 0;
        if (fractional_extension && alpha < MATE_BOUND && beta > -MATE_BOUND) {
            extension_fraction = entry_fraction;
            fraction_live = convert_fraction(&depth, beta);
        }
        research_state = research && ply == 1 && beta > -MATE_BOUND && alpha < -50 ? 0 : -1;
        best = NO_SCORE;
    }
}
