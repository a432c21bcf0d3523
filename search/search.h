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
extern int nodes;             // search and quiescence nodes of the current search
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
