// The null move and the search below it. Under a null move no principal
// variation is kept and repetitions are not looked for: the null move
// resets the fifty-move count, so no walk could cross it anyway.
#include <cassert>

#include "search/search_internal.h"

int null_move_search(int beta, int depth) {
    const int saved_null_ply = null_ply;
    first_move[ply + 1] = first_move[ply];  // this ply has generated nothing yet
    null_ply = ply;
    make_null_move();
    hash_key ^= side_key;
    hash_select();
    const int v = search_null(-beta, 1 - beta, depth);
    null_ply = saved_null_ply;
    pv_length[ply] = ply;
    unmake_null_move();
    hash_key ^= side_key;
    return -v;
}

int search_null(int alpha, int beta, int depth) {
    // 1. prologue
    // Below a null move no node follows the previous iteration's line, so
    // the verified null move's save and restore of follow_pv does nothing here.
    assert(follow_pv == 0);
    count_node();
    pv[ply][ply] = 0;
    if (first_move[ply] >= MOVE_STACK_LIMIT) return stack_warning();
    const int check = find_checker(xside);
    if (check < 0) {
        king_capture = 1;
        return 0;
    }
    // Passing while in check is no move at all.
    if (ply == null_ply + 1 && check) {
        king_capture = 1;
        return 0;
    }
    if (beta == ply - (MATE - 2) && !check) return material_balance();
    if (ply + depth < 31) depth += move_extension(beta, check);
    if (depth < 1) return quiesce_at_horizon(check, [&] { return quiesce_null(alpha, beta); });

    // 2. transposition table
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
            if (exact_entry_settles(s, d, depth, alpha))
                return s;
            break;
        case HASH_LOWER:
            if (d > 0 && !table_move) break;
            if (s >= MATE_BOUND && alpha < MATE_BOUND) return s;
            if (d >= depth && s > alpha) {
                hash_lower = s;
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
            return 0;
        }
    }

    // 3. verified null move (the option does not apply: one is in force)
    int moves_ready = 0;
    if (!check && !upper_hit && depth >= 2 && null_move_material_ok(beta)) {
        int result;
        if (verified_null_move(beta, orig_alpha, table_move, &depth, &alpha, &moves_ready, &result,
                               [](int a, int b, int d) { return search_null(a, b, d); }))
            return result;
    }

    // 4. generation and ordering
    if (!generate_node(check, moves_ready)) return 0;
    if (alpha == MATE - 1 - ply) return material_balance();
    extend_single_reply(&depth, &alpha, orig_alpha, &hash_lower);
    if (table_move && !moves_ready) boost_move(table_move);

    // 5. the move loop
    int best = NO_SCORE, legal_seen = 0;
    for (int i = first_move[ply]; i < last_move[ply]; ++i) {
        pick_best(i);
        const Move m = move_list[i].move;
        if (!make_move(m)) continue;
        update_hash_key(m);
        const int score = -search_null(-beta, -alpha, depth - 1);
        unmake_move();
        hash_key = entry_key;
        if (king_capture) {
            king_capture = 0;
            continue;
        }
        legal_seen = 1;
        if (score > best) {
            best = score;
            pv[ply][ply] = m;
        }
        if (best <= alpha) continue;
        record_history(m, depth);
        if (best == MATE - 1 - ply) return mate_in_one(best, beta, depth, m, false);
        if (best >= beta) return cut_off(best, beta, depth, m);
        if (new_best_ends_node(best, orig_alpha, beta, depth, m, &alpha)) return alpha;
    }

    // 6. after the loop
    if (fifty >= 100) return 0;
    if (!legal_seen) return no_legal_move(check, depth);
    return close_node(alpha, orig_alpha, best, beta, depth);
}
