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

// ---------------------------------------------------------------- numbers (read_number.cpp)
constexpr int CLOCK_LIMIT_MS = 1000000000;  // a clock word never passes eleven days
// Reads an int from text as "%d" (base 10) or "%i" (base 0) scans it, but
// saturating where scanning would overflow. Returns the text after the
// number, or null when there is none.
const char* read_number(const char* text, int base, int* value);
// count * unit_ms milliseconds, held within +-CLOCK_LIMIT_MS.
int clock_ms(int count, int unit_ms);

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
// Milliseconds from an earlier now_ms reading to now, taken across a wrap.
int elapsed_since(int start_ms);
// Applies a "level" line (the whole input line).
void parse_level(const char* line);
// Sets move_budget and poll_mask for the coming search.
void allocate_time();
// Sets poll_mask from move_budget and nps_estimate (the last step of allocate_time).
void set_poll_mask();
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

// ---------------------------------------------------------------- game and protocol (protocol.cpp)
constexpr int NO_SIDE = 6;  // engine_side when the engine plays neither colour

extern int engine_side;     // colour the engine plays, or NO_SIDE
extern int game_number;     // games started by "new"
extern int64_t total_nodes; // nodes searched since the last "new"
extern int64_t total_time;  // milliseconds spent thinking since the last "new"

constexpr int LINE_SIZE = 256;  // input lines hold at most 255 characters
// Reads one line of standard input into `line` (newline kept). A longer line
// is read to its end and its rest dropped, so it never counts as a line of
// its own. Returns 0 at the end of input.
int read_line(char* line);
// Sets ply to 0, finds whether side is in check (in_check_flag and the
// checker words the evasion generator reads) and generates the ply-0 list
// of side: evasions in check, otherwise all moves.
void generate_root_moves();
// Reads protocol lines and carries them out until "quit" or the end of input.
void command_loop();
// Closes the log and ends the process with status 0 ("quit", end of input).
[[noreturn]] void quit_engine();

// ---------------------------------------------------------------- thinking (think.cpp)
// One search of the engine's turn: a new table generation, root_search,
// and the key and its slot restored afterwards (an abort leaves them undefined).
void search_move();
// The engine's turn: searches, prints "move ...", logs, judges the game and
// plays the move unless the game is over.
void think();

// ---------------------------------------------------------------- set-up mode (edit_mode.cpp)
// Reads set-up lines up to "." and installs the new position.
void edit_mode();

// ---------------------------------------------------------------- options file (options.cpp)
// Reads vexmo.ini (or writes the default one), sizes the transposition table
// and writes the settings to the log.
void read_options();
// The flag word of an option key of the file ("nullmove", ...), or null.
int* option_flag(const char* key);
// Applies the lines of an options file to the six flags and returns the
// table size it asks for in megabytes (0 when it names none).
int read_options_file(FILE* f);

// ---------------------------------------------------------------- game end (adjudication.cpp)
// After the engine's search: declares mate, stalemate, resignation, the
// fifty-move rule or threefold repetition. Returns 1 when the game is over
// (engine_side is then NO_SIDE and the move must not be made).
int adjudicate_engine_turn();
// After the opponent's move: the fifty-move rule or threefold repetition.
int adjudicate_opponent_turn();
// The present placement occurred twice before since the last capture or pawn move.
int is_threefold();
// Declares a draw because the game has reached the history limit.
void declare_game_too_long();
