// The UCI front end (vexmoth-uci): the command loop, the input it reads
// while a search runs, the position a GUI sets up, the limits of "go" with
// the search's reports, pondering, the root moves a search may play and the
// reply it expects, and the options a GUI can set. The search itself is the
// engine core's; nothing here writes a file.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "search/search.h"

// ---------------------------------------------------------------- output (commands.cpp)
constexpr int OUTPUT_LINE_SIZE = 1024;  // longer than any line the engine writes
// Writes one formatted line to standard output and flushes it at once, or
// hands it to output_hook when one is set.
void output_line(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Where the output goes instead of standard output, a line at a time
// (without its newline): a test collects it. Null for standard output.
extern void (*output_hook)(const char* line);

// ---------------------------------------------------------------- commands (commands.cpp)
// The engine as vexmoth-uci starts it: the core with its default table, the
// interrupt and broken-pipe signals ignored, and the search's stop test,
// progress and warning hooks those of this front end.
void start_uci_engine();
// Carries out one command line (cut into words in place): the command its
// first word names, or an info string when it names none. Blank lines do
// nothing.
void run_command(char* line);
constexpr int MAX_WORDS = 32768;  // a line of INPUT_LINE_SIZE characters has fewer words
// The words of the command being carried out, split at blanks; words[0] is
// the command.
extern const char* words[MAX_WORDS];
extern int word_count;
extern int command_start_ms;  // now_ms when the command being carried out was taken

// Cuts the line into words in place, at the spaces (input.cpp has turned
// every other control character into one): the command's words.
void split_words(char* line);
// The command's word at index i, or "" past the end.
const char* word_at(int i);
// The text as an info string may repeat it: at most 80 characters, any
// byte other than printable ASCII shown as '?', so that a GUI is never
// handed bytes it cannot read. A static buffer the next call overwrites.
const char* shown_text(const char* text);
// Joins words from .. to - 1 with single spaces into text (size bytes);
// false, with text empty, when they do not fit.
bool join_words(int from, int to, char* text, int size);
// Reads word i as a whole number (an optional sign and decimal digits,
// nothing else) into *value, clamped to low..high. Returns 0, leaving
// *value alone, when the word is missing or no number.
int word_number(int i, int64_t low, int64_t high, int64_t* value);

// ---------------------------------------------------------------- input (input.cpp)
constexpr int INPUT_LINE_SIZE = 65536;  // the longest line kept, with its terminating 0

// The next command line (without its newline, never blank) into line, which
// holds INPUT_LINE_SIZE characters; waits for input when none is queued.
// Returns 0 at the end of input once every line has been taken.
int next_command_line(char* line);
// Readies the search-time reading for a new search: the lines queued after
// the "go" being carried out are looked at again; with ponder set, the
// first "ponderhit" among them (before any later "go") is taken for it.
void begin_search_input(int ponder);
// While a search runs or waits to be stopped: reads what standard input
// holds (waiting up to wait_ms; -1 waits without limit), answers "isready",
// takes a "ponderhit" meant for this search (take_ponderhit tells), and
// returns 1 once a "stop" for this search or a "quit" has come. Other
// lines stay queued, in order, for after the search.
int search_input_says_stop(int wait_ms);
// A "ponderhit" for this search has been read since the last call.
int take_ponderhit();
// A "quit" came during a search: the process ends once its bestmove is out.
int quit_requested();
// Standard input has ended (nothing more will come).
int input_closed();
// The queue of lines is full: input cannot be read until lines are taken.
int input_backlogged();

// ---------------------------------------------------------------- position (position.cpp)
// "position startpos|fen FEN [moves ...]": sets up the position and plays
// the moves, leaving the ply-0 list ready; a refused FEN keeps the earlier
// position, a refused move keeps the moves before it.
void command_position();

// ---------------------------------------------------------------- search (go.cpp, report.cpp)
// The fields of a "go" line: a clock -1 and the others 0 when not given.
// The moves of "searchmoves" are the words from searchmoves_from to
// searchmoves_to - 1 (none when both are 0).
struct GoRequest {
    int64_t wtime = -1, btime = -1, winc = 0, binc = 0;
    int64_t movestogo = 0, movetime = 0, nodes = 0, depth = 0, mate = 0;
    int infinite = 0, ponder = 0;
    int searchmoves_from = 0, searchmoves_to = 0;
};
// The words after "go", each number clamped to its field's range. A field
// without a number is reported and skipped, and so is a word "go" does not
// know: the rest of the line still counts. "searchmoves" takes the words up
// to the next word "go" knows.
GoRequest read_go_words();
// The core's limits for the request, for the side to move: the optimum
// and maximum of its clock (clock_budget, with the half-moves played since
// the position's set-up and move_overhead), the move time, nodes, depth
// (the deepest iteration when none), mate, MultiPV's lines, the strength
// limit with the game's seed, and a poll mask for the stop test.
SearchLimits make_limits(const GoRequest& r);
// "go ...": searches the position within the limits and prints "bestmove"
// (with "ponder" and the expected reply when there is one).
void command_go();
// The search's stop test: a "stop" read from the input, a "ponderhit" that
// finds the time already used up, or the limits.
int search_stop_test();
// "ponderhit" outside a ponder search: an info string, nothing else.
void command_ponderhit();
// The search's progress hook: "info" lines after each iteration (one per
// line with several lines), one when the root's best move changes (a
// single line only), and "info currmove" for root moves once the search
// has run a second, at most four a second.
void report_progress(int event);
// Starts the reports of a new search.
void begin_reports();
// Once the search has ended, before its bestmove: the lines of an iteration
// cut short by a stop when it had scored some, then, unless the last line
// reported began with `best`, one line for `best` (followed by `reply`
// when its own line is shorter) with the best score known, so that every
// search that plays a move reports a score for it; then the totals,
// "info nodes N nps X time T hashfull H".
void report_search_end(Move best, Move reply);
// The search's warning hook: "info string ...".
void report_warning(const char* text);

// ---------------------------------------------------------------- the clock's budget (time_policy.cpp)
// The time one move of a clocked game may take, in milliseconds: the
// optimum the search scales by its course, and the maximum it never passes.
struct MoveTime {
    int optimum_ms;
    int maximum_ms;
};
// The budget from the side's clock and increment, the opponent's clock
// (-1 when not given), the moves to go in the session (0 when the GUI
// gives none: a horizon shrinking with the game's progress, game_ply
// half-moves played), and the overhead each move pays. In sudden death
// (no moves to go, an increment below the overhead) a side behind the
// opponent's clock gets an optimum of 1.
// Both are at least 1; the maximum never passes the clock less the
// overhead when that is at least 1 (half of it at most, three quarters on
// the last move of a session, moves_to_go 1). More increment never gives
// less time.
// Clocks and increments up to go's limit of 10^9 ms.
MoveTime clock_budget(int64_t clock_ms, int64_t increment_ms, int64_t opponent_ms, int moves_to_go, int game_ply,
                      int overhead_ms);
// The lag of the GUI, its adapter and the system, learned from the clocks
// of consecutive moves of a game: remember_clocked_move after a move on
// the clock (with the side's clock and increment at its go and the time
// the engine took), learn_lag at the next go with the side's clock, before
// its limits are made. A clock that is no continuation of that move (a new
// game, a new session, another position) teaches nothing.
void remember_clocked_move(int64_t clock_ms, int64_t increment_ms, int think_ms);
void learn_lag(int64_t clock_ms);
// What every move pays: Move Overhead, or the lag learned when it is larger.
int move_overhead();
// Learning starts afresh (a new Move Overhead).
void forget_lag();

// ---------------------------------------------------------------- pondering (ponder.cpp)
// "go ponder": the search of the position that holds the reply the engine
// expects, on the opponent's time. Takes the limits of the go's words and
// returns those of the ponder search: the same, without the clock's
// optimum and maximum and the move time, which wait for the ponderhit.
SearchLimits begin_ponder(const SearchLimits& limits);
// A ponder search runs (or has ended by itself) and has not been hit or stopped.
int pondering();
// "ponderhit": the search goes on as the go's own, its optimum, maximum
// and move time in force (search_limits), all counting from the go, so
// that the time pondered counts as spent on the move. Returns 1 when that
// time already ends the search: the move time or the maximum has passed,
// or an iteration is complete and the time policy would start no new one.
int ponder_hit();
// The ponder search has been stopped: nothing waits for a ponderhit.
void end_ponder();

// ---------------------------------------------------------------- root moves (root_moves.cpp)
// "go searchmoves": keeps in the ply-0 list only the legal moves that words
// from .. to - 1 name; a word that names none is reported with an info
// string; when no legal move is named the list stays whole (and says so).
// Returns 1 when the list no longer holds every move it held.
int restrict_root_moves(int from, int to);
// The move to play: the search's, when it is legal here; otherwise any
// legal move of the ply-0 list; 0 when there is none.
Move chosen_move();
// The reply the engine expects to best: the second move of the search's
// line when that line begins with best, otherwise the table's move for the
// position after best; 0 unless it is legal there.
Move expected_reply(Move best);

// ---------------------------------------------------------------- options (options.cpp)
constexpr int DEFAULT_HASH_MB = 20;
constexpr int DEFAULT_MOVE_OVERHEAD_MS = 20, MAX_MOVE_OVERHEAD_MS = 5000;
extern int move_overhead_ms;  // Move Overhead: the lag every move of a clocked game pays, in milliseconds
extern int multipv_lines;  // MultiPV: the number of best lines a search reports, 1 to MAX_LINES
extern int ponder_option;  // Ponder: the GUI may send "go ponder"; the engine plays the same either way
// UCI_Chess960: the positions set up from now on play by Chess960's rules,
// their FEN's castling field read as Shredder-FEN or X-FEN and castling
// written as the king taking its own rook ("e1h1").
extern int chess960_option;
// The strength limit: UCI_LimitStrength, UCI_Elo (STRENGTH_MIN_ELO to
// STRENGTH_MAX_ELO, the top being full strength) and the game's seed, drawn
// at start-up and at every "ucinewgame".
constexpr int DEFAULT_ELO = 1500;
extern int limit_strength_option;
extern int uci_elo_option;
extern uint64_t uci_game_seed;
// The rating a search plays at: uci_elo_option with UCI_LimitStrength, else 0.
int strength_elo();
// "uci": the engine's name and author, its options, "uciok".
void command_uci();
// "setoption name N [value V]".
void command_setoption();
// Sizes the table to megabytes (below 5 none); says so when the memory
// cannot be had, and then plays without a table.
void set_hash_size(int megabytes);
// Tells the GUI that the table of that size could not be had.
void report_no_table(int megabytes);
// Sets *flag from "true" or "false" (any case); another value is refused
// with an info string.
void set_switch(int* flag, const char* name, const char* value);

// ---------------------------------------------------------------- endgame tables (tables.cpp)
// "option" lines of SyzygyPath, SyzygyProbeDepth, Syzygy50MoveRule and
// SyzygyProbeLimit, for "uci".
void list_table_options();
// Sets the endgame-table option of that name from the words at value_word
// on, saying with info strings what loading the tables found; false when
// the name is no such option.
bool set_table_option(const char* name, int value_word);
