// The search below the root: the principal-variation search, plain
// alpha-beta, the search under a null move, the three quiescence searches,
// move ordering with the history heuristic, and the repetition test. This
// subsystem owns the score scale and the search-wide state.
//
// The clock test (check_time) may leave any of these searches with a
// longjmp straight back to root_search. Every frame it can cross holds only
// trivially destructible locals, and all state lives in the process-wide
// tables below, so nothing needs unwinding or releasing.
#pragma once

#include <cstdint>

#include "board/board.h"

// ---------------------------------------------------------------- score scale
// Scores are from the side to move's view, 100 = one pawn.
constexpr int MATE = 8000;          // mated at ply p scores p - MATE
constexpr int NO_SCORE = -8000;     // initial best score; the root's minus infinity
constexpr int MATE_BOUND = 7951;    // >= winning mate, <= -MATE_BOUND losing mate
constexpr int ILLEGAL_SCORE = -20000000;  // ordering score of an illegal entry
constexpr int FIRST_SCORE = 20000000;     // ordering score of the hash or PV move

// ---------------------------------------------------------------- search-wide state
constexpr int PV_ROWS = 50;     // rows 0..49: the quiescence search reaches ply 49
constexpr int PV_COLUMNS = 51;
extern Move pv[PV_ROWS][PV_COLUMNS];  // triangular principal variation, row = ply
extern int pv_length[PV_ROWS + 1];    // one past the last filled column of each row
extern int follow_pv;         // the node lies on the previous iteration's line
extern int64_t nodes;         // search and quiescence nodes of the current search
extern int poll_mask;         // the clock is polled when nodes & poll_mask is 0
extern int poll_count;        // polls of the current search
extern int in_check_flag;     // check status of the node about to generate
extern int quiesce_entry;     // 2 while a full-width node calls quiescence
extern int extension_fraction;  // fractional extension in sixtieths of a ply
extern int stalemate_seen;    // a node at ply 1 found itself stalemated
extern int hash_hits;         // table hits that gave a move
extern int null_ply;          // ply of the node whose null move is in force, 0 none

// The history heuristic: raised when a quiet move raises alpha, read by the
// move scorer (counter / 5 is added to a move's ordering score).
extern uint32_t history_table[64][64];  // by square64 of from and to
extern uint32_t history_max;            // largest counter since the last clear

// Option flags, each 0 or 1 (1 unless the options file says otherwise).
extern int nullmove;
extern int pre_prune;
extern int tune;
extern int research;
extern int fractional_extension;
extern int nega_scout;

// Clears pv, pv_length[0], history_table and history_max (new game, set-up).
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
