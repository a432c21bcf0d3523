// What the search files share and nobody else needs: the kinds of search,
// the node counter, the table probe, and the small steps that the
// full-width searches, the quiescence searches and the root all take.
#pragma once

#include <csetjmp>

#include "board/board.h"
#include "eval/eval.h"
#include "search/search.h"

// Ordering scores with a meaning of their own (the score scale itself is the
// board's, beside the table that stores it).
constexpr int ILLEGAL_SCORE = -20000000;  // an entry found illegal or abandoned
constexpr int FIRST_SCORE = 20000000;     // the hash or PV move, picked first

// ---------------------------------------------------------------- searches
// Scores are fail-soft, from the side to move's view, for the position at
// the current ply. Every search may leave through check_time's jump.

// The principal-variation search. full_alpha is the lower bound of the
// caller's real window: a scout node that fails low re-searches itself
// with alpha widened to it.
int search_pvs(int alpha, int beta, int depth, int full_alpha);
// Plain alpha-beta: null-window children of search_pvs, the null-move
// verification, and the root when nega_scout is off.
int search_ab(int alpha, int beta, int depth);
// Passes the move and searches the opponent with search_null on the null
// window around beta; returns the score from the passing side's view.
int null_move_search(int beta, int depth);
// The search below a null move: no principal variation, no repetition test.
int search_null(int alpha, int beta, int depth);
// The quiescence searches under search_pvs, search_ab and search_null.
int quiesce_pvs(int alpha, int beta, int full_alpha);
int quiesce_ab(int alpha, int beta);
int quiesce_null(int alpha, int beta);

// ---------------------------------------------------------------- ordering (ordering.cpp)
// Swaps the highest-scored entry from i on (the first of equals) into i.
void pick_best(int i);
// Moves pv[0][ply] to the front of the ply's list; follow_pv says whether it was there.
void pv_move_first();
// Gives m FIRST_SCORE; 1 when m is in the ply's list.
int boost_move(Move m);
// Between root iterations: pv[0][ply] gets FIRST_SCORE, a former first move FIRST_SCORE - 1.
void root_mark_pv();
// At the start of a search: pv[0][0] gets FIRST_SCORE when it is in the ply-0 list.
void root_pv_first();

// ---------------------------------------------------------------- repetition (repetition.cpp)
// The position occurred before since the last irreversible move.
int is_repetition();

// ---------------------------------------------------------------- the root (root_search.cpp, clock.cpp)
// Runs stop_hook; returns when the search may go on, otherwise sets
// time_out and jumps back to root_search.
void check_time();
// ---------------------------------------------------------------- the time policy's words (time_policy.cpp)
// At the start of a search, of each iteration, and at its end: what
// time_policy_says_stop reads of the iterations.
void policy_begin_search();
void policy_begin_iteration();
void policy_end_iteration();
// Root move m, searched from nodes_before on, becomes the iteration's best
// (called before pv[0][0] takes it): a change of best move, and its nodes.
void policy_new_best(Move m, int64_t nodes_before, int depth);

// ---------------------------------------------------------------- several lines (root_lines.cpp)
// Nothing of these acts unless search_limits.lines is above 1.
// Empties root_lines at the start of a search.
void clear_root_lines();
// At the start of an iteration: none of root_lines is of this iteration yet.
void begin_iteration_lines();
// The lower bound of the window a root move is searched with: alpha itself
// with one line; with several, NO_SCORE until the iteration has scored that
// many lines, then the score of the last of them, so that every move that
// enters the best lines is searched to an exact score.
int line_window(int alpha);
// The root move m has scored above line_window: its line (m, then pv[1]
// from ply 1) takes its place among the iteration's lines by score, after
// those of equal score, pushing out this move's older line and, when the
// table is full, the last line.
void note_root_line(Move m, int score, int depth);

// Finds the best move of the position whose ply-0 list generate_root_moves
// has made. Leaves the move in pv[0][0] (0 when none), its line in pv[0],
// root_score, root_depth, root_result, nodes and search_failure. Leaves the
// position and ply as it found them; hash_key is left undefined after an
// abort (search_move restores it).
void root_search(const SearchLimits& limits);

// ---------------------------------------------------------------- strength limit (strength.cpp)
// The limits of a search at limits.elo: the level's node limit (or the
// caller's, when smaller) kept only from the second iteration on, its
// depth cap, at least its lines, a poll mask that keeps the node limit.
// Unchanged without a limit.
SearchLimits strength_limits(const SearchLimits& limits);
// After a limited search: the line to play among root_lines becomes pv[0]
// and root_score. A found mate or stalemate, a search that completed no
// second iteration and a single line keep the search's own.
void choose_limited_line(const SearchLimits& limits);

// ---------------------------------------------------------------- helpers (threads.cpp)
// Called by the main thread around its root_search: hands the helpers this
// position, its ply-0 list (with whether it is restricted), line and
// history heuristic, and wakes them; then stops them, waits for them, and
// takes the line of a helper that got deeper (not with several lines).
// Nothing without helpers, nor for a limited search (limits.elo), which
// the main thread searches alone.
void start_helpers(const SearchLimits& limits);
void finish_helpers();


// The three searches share one body each for the full-width and the
// quiescence nodes; the kind says which search a node belongs to.
// PVS_SEARCH: the principal-variation search, whose scout nodes re-search
// themselves on the caller's real window. AB_SEARCH: plain alpha-beta, for
// null-window children, null-move verification and the root without
// nega_scout. NULL_SEARCH: below a null move, keeping no principal variation.
enum SearchKind { PVS_SEARCH, AB_SEARCH, NULL_SEARCH };

// Counts the node, raises sel_depth to its ply, and runs the stop test
// every poll_mask + 1 nodes; the first nine polls of a search never run it.
inline void count_node() {
    ++search.nodes;
    if (pos.ply > search.sel_depth) search.sel_depth = pos.ply;
    if ((search.nodes & search.poll_mask) == 0 && ++search.poll_count > 9) check_time();
}

inline int material_balance() { return pos.material[pos.side] - pos.material[pos.xside]; }

// The move stack is nearly full: the principal-variation searches cannot go
// on and give up the whole search (search_failure says why); the others
// warn and stand on the material balance.
[[noreturn]] inline void abort_search(const char* why) {
    search.search_failure = why;
    std::longjmp(search.abort_point, 1);
}
inline int stack_warning() {
    if (search.warning_hook) search.warning_hook("stack fails");
    return material_balance();
}

// What the table holds for the current position: its move (0 when it has
// none or the move is not playable here), score (mate scores counted from
// this node), depth and bound type.
struct TableProbe {
    Move move;
    int score;
    int depth;
    int type;
};

// Reads the slot of hash_key into *probe; false when it holds another
// position (or there is no table). A hit is counted in hash_hits when it
// gives a move, or always when count_every_hit (the quiescence searches).
inline bool probe_table(TableProbe* probe, bool count_every_hit) {
    if (!hash_hit()) return false;
    probe->move = hash_move();
    probe->score = hash_score();
    probe->depth = hash_depth();
    probe->type = hash_type();
    if (probe->move || count_every_hit) ++search.hash_hits;
    return true;
}

// Raises the history counter of a quiet move that raised alpha. Called
// after unmake, when an empty target square means the move took nothing.
inline void record_history(Move m, int depth) {
    if (pos.board[move_to(m)]) return;
    uint32_t& counter = pos.history_table[square64(move_from(m))][square64(move_to(m))];
    counter += uint32_t(depth * depth);
    if (counter > pos.history_max) pos.history_max = counter;
}

// ---------------------------------------------------------------- endgame tables (table_probes.cpp)
// A node of the full-width search whose position the tables know (few
// enough men, fifty-move count 0, no castling right, depth at least
// table_probe_depth): its score, stored in the table, in *score. Called
// only while tables are loaded.
bool table_cut(int depth, int* score);
// At the root, by the main thread before the helpers start: when the
// tables know the position, keeps in the ply-0 list only the moves that
// keep the best result they allow, and of those the quickest to zero when
// winning (so the win comes within the fifty-move rule) or the slowest when
// losing; sets table_root_score. Returns 1 when the list lost a move.
int restrict_root_by_tables();
// The score the root reports for its best move: a win or loss the tables
// know at the root stands in for any score short of a mate.
inline int reported_root_score(int score) {
    return search.table_root_score && score > -MATE_BOUND && score < MATE_BOUND ? search.table_root_score : score;
}

// Takes the child's line as this ply's line behind pv[ply][ply].
inline void copy_child_line() {
    search.pv_length[pos.ply] = search.pv_length[pos.ply + 1];
    for (int c = pos.ply + 1; c < search.pv_length[pos.ply + 1]; ++c) search.pv[pos.ply][c] = search.pv[pos.ply + 1][c];
}

// A stalemate stored in the table: the node scores 0, keeping the stored
// move as its line, or telling the root that its move stalemates.
inline int stored_stalemate(Move table_move) {
    if (table_move) {
        search.pv[pos.ply][pos.ply] = table_move;
        search.pv_length[pos.ply] = pos.ply + 1;
    } else if (pos.ply == 1) {
        search.stalemate_seen = 1;
    }
    return 0;
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

// The early stop: a move that lifts a comfortable alpha by more than half
// a pawn while staying clear of beta ends the node.
inline int pre_prune_stop(int orig_alpha, int best, int beta) {
    return pre_prune && orig_alpha < MATE_BOUND && beta > -MATE_BOUND && orig_alpha >= 50 &&
           best - orig_alpha > 50 && beta - best > 50;
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

// In the second pass of a scout node the list is sorted by the first pass's
// scores; once an entry lost to mate there, so do all after it: its score
// is taken instead of searching them.
inline void take_mated_rest(int i, int* alpha) {
    if (pos.move_list[i].score > *alpha) {
        *alpha = pos.move_list[i].score;
        search.pv[pos.ply][pos.ply] = pos.move_list[i].move;
        search.pv_length[pos.ply] = pos.ply + 1;
    }
}

// A node that searched its moves without raising alpha and stands in check
// with every move losing to mate: a bound of that score, an upper one
// unless beta itself says mated.
inline int mated_in_every_line(int best, int beta, int depth) {
    hash_store(beta > -MATE_BOUND ? HASH_UPPER : HASH_LOWER, depth, best, search.pv[pos.ply][pos.ply]);
    return best;
}
