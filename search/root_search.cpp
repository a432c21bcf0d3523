// The root: iterative deepening over the ply-0 list, reusing the previous
// principal variation or the table where it can, sorting the list by the
// scores of each iteration, and stopping on the clock, a found mate, a
// stable result or a single legal move. What a front end may ask beyond the
// best move (several lines, a mate of a given length, part of the list)
// acts through the small functions before iterate.
#include <cassert>
#include <csetjmp>
#include <cstdlib>

#include "eval/eval.h"
#include "search/search_internal.h"

namespace {

// Descending by score, equal scores keeping their order: an insertion sort,
// stable on every platform (a C library's qsort may order equal scores
// either way, and the tree searched would then differ), and no allocation
// during the search. The root list is short and mostly sorted already.
void sort_root_list() {
    MoveEntry* list = pos.move_list + pos.first_move[0];
    const int count = pos.last_move[0] - pos.first_move[0];
    for (int i = 1; i < count; ++i) {
        const MoveEntry entry = list[i];
        int j = i;
        for (; j > 0 && list[j - 1].score < entry.score; --j) list[j] = list[j - 1];
        list[j] = entry;
    }
}

void report(int event) {
    if (search.progress_hook) search.progress_hook(event);
}

// The best move and score of the last iterations agree: with a score above
// 20 that stays within 20 of the average read alongside, thinking longer is
// not expected to change the move. A score slot is read one slot behind the
// move slot it is compared with.
bool result_is_stable(uint64_t move_trail, int64_t score_trail) {
    int count = 0, sum = 0;
    for (int shift = 0; shift < 64;) {
        if (((move_trail >> shift) & 0xFFFF) != (search.pv[0][0] & 0xFFFF)) return false;
        shift += 16;
        ++count;
        const uint64_t slots = shift >= 64 ? (score_trail < 0 ? ~uint64_t(0) : 0) : uint64_t(score_trail) >> shift;
        sum += int(slots & 0xFFFF);
        if (shift >= 32 && std::abs(search.root_score - sum / count) < 20 && search.root_score > 20) return true;
    }
    return false;
}

// What the table knows about the root position.
// Returns true when the search is already decided.
bool probe_root_table(Move* table_move, int* start_depth, int* alpha) {
    TableProbe t;
    if (search.follow_pv || !probe_table(&t, false)) return false;
    const Move hm = t.move;
    *table_move = hm;
    const int s = t.score, d = t.depth;
    switch (t.type) {
    case HASH_EXACT:
        if (d > 0 && !hm) return false;
        if (hm) {
            search.pv_length[0] = 1;
            search.pv[0][0] = hm;
            search.follow_pv = 1;
            search.root_score = s;
            if (s >= MATE_BOUND) {
                if (s == MATE - 1) return true;  // the mate in one is played
                *alpha = s;
                *start_depth = MATE - 2 - s;
                return false;
            }
        }
        if (s <= -MATE_BOUND) return true;
        if (d + 1 > *start_depth) *start_depth = d + 1;
        return false;
    case HASH_LOWER:
        if (!hm) return false;
        search.pv[0][0] = hm;
        search.root_score = s;
        search.pv_length[0] = 1;
        if (d > *start_depth) *start_depth = d;
        if (*start_depth == d) *alpha = s;
        if (s >= MATE_BOUND) {
            *alpha = s;
            *start_depth = MATE - 2 - s;
        }
        return false;
    case HASH_UPPER:
        if (s <= -MATE_BOUND) {
            search.pv[0][0] = hm;
            search.root_score = s;
            search.pv_length[0] = 1;
            return true;
        }
        if (d + 1 > *start_depth) *start_depth = d + 1;
        return false;
    default:  // stalemate
        search.root_result = RESULT_STALEMATE;
        if (hm) {
            search.pv_length[0] = 1;
            search.pv[0][0] = hm;
        }
        search.root_score = 0;
        return true;
    }
}

// Tells the front end which root move is searched next.
void announce_root_move(Move m, int number) {
    search.current_root_move = m;
    search.current_root_move_number = number;
    report(PROGRESS_ROOT_MOVE);
}

// The root searches from the first iteration with an open window, taking
// nothing from the previous line or from the table but the table's move
// to search first: several lines want every move's score from this search,
// and a part of the list cannot use a bound of the whole position.
bool fresh_root() { return search.search_limits.lines > 1 || search.search_limits.restricted_root; }

// The table's move for the root, for ordering alone; 0 when it has none.
Move root_table_move() {
    TableProbe t;
    return probe_table(&t, false) ? t.move : 0;
}

// The bound the root stores for its score: exact when the whole list was
// searched, a lower bound when only part of it was.
int root_bound(int type) { return search.search_limits.restricted_root ? HASH_LOWER : type; }

// A mate in mate_moves moves or fewer has been found.
bool mate_limit_reached() {
    return search.search_limits.mate_moves > 0 && search.root_score >= MATE_BOUND &&
           (MATE - search.root_score + 1) / 2 <= search.search_limits.mate_moves;
}

void iterate() {
    // 1. start
    const uint64_t saved_key = pos.hash_key;
    search.root_depth = 0;
    search.completed_depth = 0;
    count_material();
    ev.root_piece_material[WHITE] = pos.piece_material[WHITE];
    ev.root_piece_material[BLACK] = pos.piece_material[BLACK];
    const int root_in_check = pos.in_check_flag;
    search.quiesce_entry = 0;
    search.root_result = 0;
    search.time_out = 0;
    search.search_failure = nullptr;
    search.sel_depth = 0;
    clear_root_lines();
    // Raised only when the root list itself was cut short; a root move must
    // not be taken for illegal because of it.
    pos.king_capture = 0;

    // 2. the previous line, when the opponent played the reply it expected
    int start_depth, alpha;
    if (!fresh_root() && pos.history_count > 1 && search.pv_length[0] >= 3 && pos.history[pos.history_count - 1].move == search.pv[0][1]) {
        for (int i = 0; i < search.pv_length[0] - 2; ++i) search.pv[0][i] = search.pv[0][i + 2];
        search.pv_length[0] -= 2;
        start_depth = 2;
        search.follow_pv = 1;
        alpha = search.root_score >= MATE_BOUND ? search.root_score : NO_SCORE;
    } else {
        search.pv[0][0] = 0;
        search.pv_length[0] = 0;
        search.follow_pv = 0;
        start_depth = 1;
        alpha = NO_SCORE;
        search.root_score = NO_SCORE;
    }
    search.poll_count = 0;
    search.stalemate_seen = 0;
    search.nodes = 1;
    policy_begin_search();
    Move table_move = 0;
    if (fresh_root())
        table_move = root_table_move();
    else if (probe_root_table(&table_move, &start_depth, &alpha))
        return;
    if (start_depth < 1) start_depth = 1;
    start_depth += search.depth_offset;

    // 3. ordering
    if (search.follow_pv)
        root_pv_first();
    else if (table_move)
        boost_move(table_move);
    sort_root_list();
    search.root_depth = start_depth;
    if (search.root_depth > search.search_limits.depth) return;

    // 4. the iterations
    int root_pass = 0;  // 0 nothing searched yet, 1 first iteration, 2 every entry known legal
    int dropped = 0;
    uint64_t move_trail = 0;
    int64_t score_trail = 0;
    for (;;) {
        const int depth = search.root_depth;
        search.late_stop_armed = 0;
        int stalemate_any = 0;
        const int prev_alpha = alpha;
        const bool scout_ok = alpha < MATE_BOUND;
        begin_iteration_lines();
        policy_begin_iteration();
        for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i) {
            MoveEntry& entry = pos.move_list[i];
            const Move m = entry.move;
            announce_root_move(m, i - pos.first_move[0] + 1);
            if (root_pass == 2) {
                make_move_unchecked(m);
            } else if (!make_move(m)) {
                entry.score = ILLEGAL_SCORE;
                dropped = 1;
                continue;
            }
            update_hash_key(m);
            const int64_t nodes_before = search.nodes;
            search.stalemate_seen = 0;
            search.extension_fraction = 0;
            search.null_ply = 0;
            const int window = line_window(alpha);
            int score;
            if (!nega_scout)
                score = -search_ab(NO_SCORE, -window, depth - 1);
            else if (root_pass != 0 && scout_ok && i >= 1 && window > -MATE_BOUND)
                score = -search_pvs(-window - 1, -window, depth - 1, NO_SCORE);
            else
                score = -search_pvs(NO_SCORE, -window, depth - 1, NO_SCORE);
            unmake_move();
            pos.hash_key = saved_key;
            if (pos.king_capture) {
                entry.score = ILLEGAL_SCORE;
                dropped = 1;
                pos.king_capture = 0;
                continue;
            }
            search.follow_pv = 0;
            if (search.stalemate_seen) stalemate_any = 1;
            if (root_pass == 0) root_pass = 1;
            if (score > window) note_root_line(m, score, depth);
            if (score > alpha) {
                search.root_score = reported_root_score(score);
                record_history(m, depth);
                policy_new_best(m, nodes_before, depth);
                search.pv[0][0] = m;
                search.pv_length[0] = search.pv_length[1];
                for (int k = 1; k < search.pv_length[1]; ++k) search.pv[0][k] = search.pv[1][k];
                alpha = score;
                report(PROGRESS_NEW_BEST);
                if (score == MATE - 1 && search.search_limits.lines <= 1) {
                    hash_store(HASH_EXACT, depth, score, m);
                    return;
                }
                entry.score = score + 1;
                hash_store(HASH_LOWER, depth, score, m);
            } else {
                entry.score = score;
            }
            // From the second move on, the clock may stop at five sixths of the budget.
            if (!search.late_stop_armed && i >= 1) {
                search.late_stop_armed = 1;
                check_time();
            }
        }

        // 5. the iteration's result
        if (root_pass == 0) {
            if (root_in_check) {
                search.root_score = NO_SCORE;
                hash_store(HASH_EXACT, depth, NO_SCORE, 0);
            } else {
                search.root_result = RESULT_STALEMATE;
                search.root_score = 0;
                hash_store(HASH_STALEMATE, 0, 0, 0);
            }
            return;
        }
        if (search.root_score == 0 && stalemate_any) {
            search.root_result = RESULT_STALEMATE;
            hash_store(root_bound(HASH_STALEMATE), 0, 0, search.pv[0][0]);
            return;
        }
        hash_store(root_bound(HASH_EXACT), depth, alpha, search.pv[0][0]);
        search.completed_depth = depth;
        policy_end_iteration();
        report(PROGRESS_ITERATION);
        if (mate_limit_reached()) return;
        if (search.root_score <= -MATE_BOUND) return;
        if (search.root_score >= MATE_BOUND) {
            if (search.root_score == MATE - 1 && search.search_limits.lines <= 1) return;
            // A mate known before this iteration and within its depth is final.
            if (MATE - search.root_score <= depth && prev_alpha >= MATE_BOUND) return;
            alpha = search.root_score;  // look only for a faster mate
        } else {
            alpha = NO_SCORE;
        }
        if (search.search_limits.lines > 1) alpha = NO_SCORE;  // every line is searched again

        // 6. the clock between iterations; a limited search (a few thousand
        // nodes) is held by its node limit alone, so that neither the clock's
        // rules nor the time policy change the level
        if (!search.search_limits.elo) {
            if (search.search_limits.clock_rules) {
                if (clock_says_stop()) return;
                // 7. a stable result ends the search early
                if (start_depth + 2 <= depth && search.root_score < MATE_BOUND &&
                    result_is_stable(move_trail, score_trail))
                    return;
            } else if (time_policy_says_stop()) {
                return;
            }
        }
        move_trail = move_trail << 16 | (search.pv[0][0] & 0xFFFF);
        score_trail = int64_t(uint64_t(score_trail) << 16 | uint64_t(int64_t(search.root_score)));

        // 8. the next iteration starts with the best move, then by score
        root_mark_pv();
        sort_root_list();
        if (dropped) {
            while (pos.last_move[0] > pos.first_move[0] && pos.move_list[pos.last_move[0] - 1].score == ILLEGAL_SCORE)
                --pos.last_move[0];
            dropped = 0;
        }
        if (pos.last_move[0] - pos.first_move[0] == 1 && !search.search_limits.restricted_root) return;
        root_pass = 2;
        search.follow_pv = 1;
        if (++search.root_depth > search.search_limits.depth) return;
    }
}

// Whether the move is an entry of the ply-0 list.
bool in_root_list(Move m) {
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i)
        if (pos.move_list[i].move == m) return true;
    return false;
}

// The first entry of the ply-0 list, in its present order, that does not
// leave the mover's king attacked; 0 when there is none.
Move first_legal_entry() {
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i) {
        const Move m = pos.move_list[i].move;
        if (!make_legal_move(m)) continue;
        unmake_move();
        return m;
    }
    return 0;
}

}  // namespace

void root_search(const SearchLimits& limits) {
    search.search_limits = limits;
    search.poll_mask = limits.poll_mask;
    if (setjmp(search.abort_point) == 0) {
        iterate();
    } else {
        // The clock stopped the search somewhere below: take back every move
        // made since the root, null moves included.
        while (pos.ply != 0) {
            if (pos.history[pos.history_count - 1].move)
                unmake_move();
            else
                unmake_null_move();
        }
    }
    assert(pos.ply == 0);
    // A move from the previous line or the table that the list does not hold
    // (no legal move at all, or a key collision) is never played.
    if (search.pv[0][0] && !in_root_list(search.pv[0][0])) {
        search.pv[0][0] = 0;
        search.pv_length[0] = 0;
    }
    // Stopped with 500 ms left before any root move had a score (a table
    // bound can make the first iteration a deep one), or given up: no move
    // would read as being mated, so the first legal entry of the ordered
    // list is played.
    if ((search.time_out || search.search_failure) && !search.pv[0][0]) {
        search.pv[0][0] = first_legal_entry();
        search.pv_length[0] = search.pv[0][0] ? 1 : 0;
    }
}

void search_move(const SearchLimits& limits) {
    // Once a counter has passed 3000 the history table is divided by 16
    // before this and every later search, until a new game or set-up clears it.
    if (pos.history_max > 3000)
        for (auto& row : pos.history_table)
            for (uint32_t& counter : row) counter >>= 4;
    const uint64_t saved_key = pos.hash_key;
    search.hash_hits = 0;
    search.table_hits = 0;
    search.table_root_score = 0;
    ++hash_age;
    // The endgame tables may leave only part of the list to the search.
    SearchLimits own = strength_limits(limits);
    if (table_men && restrict_root_by_tables()) own.restricted_root = 1;
    start_helpers(own);
    root_search(own);
    finish_helpers();
    if (own.elo) choose_limited_line(own);
    pos.hash_key = saved_key;  // an abandoned search leaves the key undefined
    hash_select();
}
