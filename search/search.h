// The search: the principal-variation search, plain alpha-beta, the search
// under a null move, the three quiescence searches, move ordering, the
// repetition test, and the root with iterative deepening that a front end
// drives: it hands over the position (the board) and the limits of one
// search, and reads back the move, score, depth, line, nodes and result.
//
// The stop test (check_time) may leave any of these searches with a longjmp
// straight back to root_search. Every frame it can cross holds only
// trivially destructible locals, and all state lives in the process-wide
// tables below, so nothing needs unwinding or releasing.
#pragma once

#include <cstdint>

#include "board/board.h"

// Ordering scores with a meaning of their own (the score scale itself is the
// board's, beside the table that stores it).
constexpr int ILLEGAL_SCORE = -20000000;  // an entry found illegal or abandoned
constexpr int FIRST_SCORE = 20000000;     // the hash or PV move, picked first

// ---------------------------------------------------------------- search-wide state
constexpr int PV_ROWS = 50;     // rows 0..49: the quiescence search reaches ply 49
constexpr int PV_COLUMNS = 51;
extern thread_local Move pv[PV_ROWS][PV_COLUMNS];  // triangular principal variation, row = ply
extern thread_local int pv_length[PV_ROWS + 1];    // one past the last filled column of each row
extern thread_local int follow_pv;         // the node lies on the previous iteration's line
extern thread_local int64_t nodes;         // search and quiescence nodes of the current search
extern thread_local int poll_mask;         // the stop test runs when nodes & poll_mask is 0
extern thread_local int poll_count;        // polls of the current search
extern thread_local int quiesce_entry;     // 2 while a full-width node calls quiescence
extern thread_local int extension_fraction;  // fractional extension in sixtieths of a ply
extern thread_local int stalemate_seen;    // a node at ply 1 found itself stalemated
extern thread_local int hash_hits;         // table hits that gave a move
extern thread_local int null_ply;          // ply of the node whose null move is in force, 0 none

// Option flags, each 0 or 1 (1 unless a front end sets them otherwise).
extern int nullmove;
extern int pre_prune;
extern int tune;
extern int research;
extern int fractional_extension;
extern int nega_scout;

// The six switches by the names the options file and the front ends use,
// in the order of the options file.
struct SearchOption {
    const char* name;
    int* flag;
};
constexpr int SEARCH_OPTION_COUNT = 6;
extern const SearchOption search_options[SEARCH_OPTION_COUNT];
// The flag word of a switch name ("nullmove", ...), or null.
int* option_flag(const char* name);

// Clears pv, pv_length[0], history_table and history_max: a new game or a
// set-up position starts with no line to follow and no history.
void clear_search_tables();

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
// Walks the history back from the newest record to `oldest` and returns 1
// once the present placement has recurred `wanted` times.
int repetition_walk(int oldest, int wanted);
// The position occurred before since the last irreversible move.
int is_repetition();

// ---------------------------------------------------------------- time (clock.cpp)
// Wall clock in milliseconds (wraps; only differences are used).
int now_ms();
// Milliseconds from an earlier now_ms reading to now, taken across a wrap.
int elapsed_since(int start_ms);

// The clock rules' budget for one move, from the clock words either protocol
// gives: TIME_MOVES (moves_per_control moves per session, full_moves played
// since it began counting), TIME_INCREMENT or TIME_SUDDEN_DEATH.
constexpr int TIME_MOVES = 0, TIME_INCREMENT = 1, TIME_SUDDEN_DEATH = 2;
int time_budget(int time_mode, int moves_per_control, int full_moves, int clock_ms, int opponent_clock_ms);
// The poll mask that looks at the clock 12 to 24 times within the budget at
// the expected speed (every node when the budget is tiny).
int poll_mask_for(int budget_ms, int nps_estimate);

// ---------------------------------------------------------------- one search for a front end (root_search.cpp, clock.cpp)
// What ends a search besides a found mate, a single legal move and the last
// iteration. With clock_rules the clock test and the root's rules between
// iterations apply to clock_ms and budget_ms (the 500 ms and 3000 ms
// margins, five budgets, five sixths, 60 and 70 per cent, the stable
// result); movetime_ms and nodes are plain limits, 0 when not given.
struct SearchLimits {
    int start_ms;     // now_ms() when the front end took the command; elapsed time counts from here
    int clock_rules;  // 1: the clock rules apply
    int clock_ms;     // the engine's remaining time
    int budget_ms;    // the move's budget
    int movetime_ms;  // search until this much time has passed
    int64_t nodes;    // stop once this many nodes are searched
    int depth;        // the last iteration, 1 .. MAX_ITERATION - 1
    int poll_mask;    // the stop test runs when nodes & poll_mask is 0
};

constexpr int RESULT_STALEMATE = 4;
constexpr int MAX_ITERATION = 25;  // iterations run from 1 up to 24

extern thread_local SearchLimits search_limits;  // the limits of the current search
extern thread_local int time_out;         // the stop test ended the current search
extern thread_local int late_stop_armed;  // a root move other than the first was searched in this iteration
extern thread_local int root_score;       // score of the best root move, NO_SCORE when none
extern thread_local int root_depth;       // iteration being searched or last searched
extern thread_local int root_result;      // 0 or RESULT_STALEMATE
// Why the search had to give up (the move stack ran full: "move stack
// fails" or "stack fails"), null when it did not. The front end decides
// what follows; the result words then hold the best move found so far.
extern thread_local const char* search_failure;

// The stop test of the current search: nonzero ends it at once. The front
// end installs its own (to read input while thinking, say); by default it
// is limits_reached. It runs every poll_mask + 1 nodes from the tenth poll
// of a search on, and once per iteration at the root.
extern thread_local int (*stop_hook)();
// The clock rules of search_limits, the move time and the node limit.
int limits_reached();
// Runs stop_hook; returns when the search may go on, otherwise sets
// time_out and jumps back to root_search.
void check_time();

// Progress for a front end that reports it: PROGRESS_NEW_BEST when a root
// move becomes the best of its iteration, PROGRESS_ITERATION when an
// iteration is complete. Null when nobody listens.
constexpr int PROGRESS_NEW_BEST = 0, PROGRESS_ITERATION = 1;
extern thread_local void (*progress_hook)(int event);
// A warning the search prints and goes on after ("stack fails"); null drops it.
extern thread_local void (*warning_hook)(const char* text);

// Finds the best move of the position whose ply-0 list generate_root_moves
// has made. Leaves the move in pv[0][0] (0 when none), its line in pv[0],
// root_score, root_depth, root_result, nodes and search_failure. Leaves the
// position and ply as it found them; hash_key is left undefined after an
// abort (search_move restores it).
void root_search(const SearchLimits& limits);
// One search of the engine's turn: the history heuristic aged, a new table
// generation, hash_hits cleared, root_search, and the key and its slot
// restored afterwards.
void search_move(const SearchLimits& limits);
