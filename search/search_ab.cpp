// Plain fail-soft alpha-beta with the same table, null move, extensions and
// ordering as the principal-variation search, but without scout windows.
#include "search/search_internal.h"

int search_ab(int alpha, int beta, int depth) {
    // 1. prologue
    count_node();
    pv_length[ply] = ply;
    pv[ply][ply] = 0;
    if (first_move[ply] >= MOVE_STACK_LIMIT) return stack_warning();
    const int check = find_checker(xside);
    if (check < 0) {
        king_capture = 1;
        return 0;
    }
    if (beta == ply - (MATE - 2) && !check) return material_balance();
    if (is_repetition()) return 0;

    // 2. extensions
    int fraction_live = 0;
    if (fractional_extension && alpha < MATE_BOUND && beta > -MATE_BOUND)
        fraction_live = convert_fraction(&depth, beta);
    if (ply + depth < 31) depth += move_extension(beta, check);
    if (depth < 1) return quiesce_at_horizon(check, [&] { return quiesce_ab(alpha, beta); });

    // 3. transposition table
    const uint64_t entry_key = hash_key;
    const int orig_alpha = alpha;
    Move table_move = 0;
    int hash_lower = NO_SCORE, upper_hit = 0;
    if (hash_hit()) {
        table_move = counted_table_move();
        const int s = hash_score(), d = hash_depth();
        switch (hash_type()) {
        case HASH_EXACT:
            if (d > 0 && !table_move) break;
            if (table_move) pv[ply][ply] = table_move;
            if (exact_entry_settles(s, d, depth, alpha)) {
                pv_length[ply] = ply + 1;
                return s;
            }
            break;
        case HASH_LOWER:
            if (d > 0 && !table_move) break;
            pv[ply][ply] = table_move;
            if (s >= MATE_BOUND && alpha < MATE_BOUND) {
                if (s < beta) pv_length[ply] = ply + 1;
                return s;
            }
            if (d >= depth && s > alpha) {
                hash_lower = s;
                pv_length[ply] = ply + 1;
                if (s >= beta) return s <= -MATE_BOUND ? beta : s;
                alpha = s;
            }
            break;
        case HASH_UPPER:
            upper_hit = 1;
            if (s <= alpha) {
                if (s <= -MATE_BOUND) return alpha <= -MATE_BOUND ? alpha : s;
                if (d >= depth) return alpha;
            }
            break;
        default:  // stalemate
            return stored_stalemate(table_move);
        }
    }

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

    // 6. ordering
    int iid_phase = order_node(&depth, table_move, alpha, beta, moves_ready);
    int research_state = research && ply == 1 && beta > -MATE_BOUND && alpha < -50 ? 0 : -1;
    const int follow_at_start = follow_pv;

    // 7. the passes over the list
    int best = NO_SCORE, legal_seen = 0;
    for (;;) {
        bool restart = false;
        for (int i = first_move[ply]; i < last_move[ply] && !restart; ++i) {
            if (!follow_pv) pick_best(i);
            if (iid_phase == 2) {
                start_full_depth_pass(&depth, &alpha, &best, table_move, hash_lower, orig_alpha);
                iid_phase = 0;
            }
            const Move m = move_list[i].move;
            int score;
            for (;;) {  // once more for the research extension
                if (!make_move(m)) {
                    follow_pv = 0;
                    goto next_entry;
                }
                update_hash_key(m);
                score = -search_ab(-beta, -alpha, depth - 1);
                follow_pv = 0;
                unmake_move();
                hash_key = entry_key;
                if (king_capture) {
                    king_capture = 0;
                    goto next_entry;
                }
                legal_seen = 1;
                if (research_state != 0 || iid_phase != 0 || score >= beta) break;
                if (score >= -50) {
                    research_state = -1;
                    break;
                }
                ++depth;
                research_state = 1;
                if (score <= -MATE_BOUND) break;
                follow_pv = i == first_move[ply] && follow_at_start;
                best = NO_SCORE;
                pv_length[ply] = ply;
                if (hash_lower > NO_SCORE && hash_select() >= depth) {
                    alpha = hash_lower;
                    pv[ply][ply] = table_move;
                } else {
                    alpha = orig_alpha;
                    pv[ply][ply] = 0;
                }
            }
            if (score > best) {
                best = score;
                pv[ply][ply] = m;
            }
            if (best <= alpha) {
                if (fraction_live && score <= -MATE_BOUND) extension_fraction -= 15;
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
            if (research_state == 1 && best >= -30) {
                --depth;
                research_state = 2;
            }
            if (new_best_ends_node(best, orig_alpha, beta, depth, m, &alpha)) return alpha;
            if (fraction_live && orig_alpha > -50 && beta < 50) extension_fraction += 30;
        next_entry:;
        }
        if (restart) continue;

        // 8. after the pass
        if (fifty >= 100) return 0;
        if (!legal_seen) return no_legal_move(check, depth);
        if (iid_phase != 0 && best > -MATE_BOUND) {
            ++iid_phase;
            continue;
        }
        return close_node(alpha, orig_alpha, best, beta, depth);
    }
}
