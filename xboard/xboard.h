// The xboard front end: the command loop and set-up mode, the opponent's
// move text, the options file and the log, the clock words of the protocol,
// and game-end adjudication. The search itself is the engine core's.
#pragma once

#include <cstdint>
#include <cstdio>

#include "board/board.h"
#include "search/search.h"

// ---------------------------------------------------------------- log (log.cpp)
extern FILE* log_file;  // vexmolog.txt, open from start-up until "quit"
// Writes a formatted line to the log and flushes it; nothing when no log is open.
void log_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ---------------------------------------------------------------- move text (user_move.cpp)
// Index in move_list of the ply-0 entry that the line names, or -1. Reads
// the first five characters: two squares written as a file letter a-h and
// a rank digit 1-8, and for a promotion its lower-case letter.
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
extern int engine_clock;       // engine's remaining milliseconds ("time")
extern int opponent_clock;     // opponent's remaining milliseconds ("otim")
extern int moves_per_control;  // from "level"
extern int increment_ms;       // from "level"
extern int time_mode;          // TIME_MOVES, TIME_INCREMENT or TIME_SUDDEN_DEATH
extern int move_budget;        // milliseconds for the current move
extern int nps_estimate;       // nodes per second of the searches since "new", all threads together
extern int command_time;       // now_ms when the last input line was read

// Applies a "level" line (the whole input line).
void parse_level(const char* line);
// The limits of the engine's turn: the clock rules over engine_clock with
// move_budget set by the budget rule, a poll mask for about 12 to 24 clock
// tests within the budget at the main thread's share of nps_estimate,
// every iteration allowed, and the strength limit of elo_option with the
// game's seed.
SearchLimits allocate_time();

// ---------------------------------------------------------------- game and protocol (protocol.cpp)
constexpr int NO_SIDE = 6;  // engine_side when the engine plays neither colour

extern int engine_side;     // colour the engine plays, or NO_SIDE
extern int game_number;     // games started by "new"
extern uint64_t game_seed;  // the strength limit's seed, drawn at every "new"
extern int64_t total_nodes; // nodes searched since the last "new", all threads together
extern int64_t total_time;  // milliseconds spent thinking since the last "new"

constexpr int LINE_SIZE = 256;  // input lines hold at most 255 characters
// Reads one line of standard input into `line` (newline kept). A longer line
// is read to its end and its rest dropped, so it never counts as a line of
// its own. Returns 0 at the end of input.
int read_line(char* line);
// Reads protocol lines and carries them out until "quit" or the end of input.
void command_loop();
// Closes the log and ends the process with status 0 ("quit", end of input).
[[noreturn]] void quit_engine();
// Prints "telluser " and the words as a line and flushes: the search's
// warnings, and the first half of fatal_exit.
void print_telluser(const char* what);
// A fatal condition: prints "telluser " and the words, flushes and ends the
// process with status -1 (the log stays as last flushed).
[[noreturn]] void fatal_exit(const char* what);

// ---------------------------------------------------------------- thinking (think.cpp)
// The engine's turn: searches, prints "move ...", logs, judges the game and
// plays the move unless the game is over.
void think();

// ---------------------------------------------------------------- set-up mode (edit_mode.cpp)
// Reads set-up lines up to "." and installs the new position.
void edit_mode();

// ---------------------------------------------------------------- options file (options.cpp)
// The search threads the options file asks for with a line "threads N"
// (1 without one; the engine takes 1 to MAX_THREADS). The default file
// names none, so the engine plays on one thread until a user adds it.
extern int thread_option;
// The folders of the Syzygy endgame tables from a line "syzygy_path DIR"
// (':' between several), "" without one; the default file names none.
extern char syzygy_path_option[];
// The rating of a line "elo N": the engine plays at limited_elo of it
// (0, no line, or STRENGTH_MAX_ELO and above: full strength).
extern int elo_option;
// Reads vexmo.ini, setting the six flags and thread_option, and returns the
// table size it asks for in megabytes. A missing file is written with the
// defaults and this run keeps the built-in settings: every flag on and no
// table (0).
int read_options();
// Writes the table (what start_engine made of the size: its slot count, 0
// for none) and the six flags to the log; ends the process with "telluser
// allocate hash failed" when the table's memory could not be had (-1).
// With an elo line, the rating played ("Elo 1200", "Elo 600 (asked 300)",
// "Elo off (asked 2500)"). Then loads the endgame tables of
// syzygy_path_option, when it names any, and logs the folders, each
// problem found and the tables loaded.
void log_settings(int table_records);
// Applies the lines of an options file to the six flags, thread_option,
// elo_option and syzygy_path_option, and returns the table size it asks for in megabytes
// (0 when it names none).
int read_options_file(FILE* f);
// Writes the default options file to f: the text the engine writes when
// vexmo.ini is missing, and the build's copy for the packaged launcher.
void write_default_options(FILE* f);

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
