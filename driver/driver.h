// The engine driver: move text, the options file and the log, the clock and
// the time budget, the root search with iterative deepening, game-end
// adjudication and the xboard command loop.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <cstdio>

#include "board/board.h"

// ---------------------------------------------------------------- log (log.cpp)
extern FILE* log_file;  // vexmolog.txt, open from start-up until "quit"
// Writes a formatted line to the log and flushes it; nothing when no log is open.
void log_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ---------------------------------------------------------------- move text (move_text.cpp)
// Coordinate text of a move ("e2e4", "e7e8,q" for a promotion, "a8a8" for
// no move) in a static buffer that the next call overwrites.
const char* move_text(Move m);
// Index in move_list of the ply-0 entry that the line names, or -1. Reads
// the first five characters; a promotion needs its lower-case letter.
int parse_user_move(const char* line);

// ---------------------------------------------------------------- clock (clock.cpp)
constexpr int TIME_MOVES = 0, TIME_INCREMENT = 1, TIME_SUDDEN_DEATH = 2;

extern int engine_clock;       // engine's remaining milliseconds ("time")
extern int opponent_clock;     // opponent's remaining milliseconds ("otim")
extern int moves_per_control;  // from "level"
extern int increment_ms;       // from "level"
extern int time_mode;          // TIME_MOVES, TIME_INCREMENT or TIME_SUDDEN_DEATH
extern int move_budget;        // milliseconds for the current move
extern int nps_estimate;       // nodes per second of the searches since "new"
extern int command_time;       // now_ms when the last input line was read
extern int time_out;           // the clock stopped the current search
extern int late_stop_armed;    // a root move other than the first was searched
extern jmp_buf abort_point;    // where check_time jumps when time is up

// Wall clock in milliseconds (wraps; only differences are used).
int now_ms();
// Applies a "level" line (the whole input line).
void parse_level(const char* line);
// Sets move_budget and poll_mask for the coming search.
void allocate_time();
// Returns when the search may go on; otherwise sets time_out and jumps to
// abort_point.
void check_time();

// ---------------------------------------------------------------- root search (root_search.cpp)
constexpr int RESULT_STALEMATE = 4;
constexpr int MAX_ITERATION = 25;  // iterations run from 1 up to 24

extern int root_score;   // score of the best root move, NO_SCORE when none
extern int root_depth;   // iteration being searched or last searched
extern int root_result;  // 0 or RESULT_STALEMATE
extern int last_iteration;  // deepest iteration to run: 24 in the engine, lowered by the tool

// Finds the engine's move in the position whose ply-0 list the driver has
// generated. Leaves the move in pv[0][0] (0 when none), root_score,
// root_depth and root_result. Leaves the position and ply as it found them;
// hash_key is left undefined after an abort (the caller saves and restores it).
void root_search();
