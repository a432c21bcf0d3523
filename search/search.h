// The search: the principal-variation search, plain alpha-beta, the search
// under a null move, the three quiescence searches, move ordering, the
// repetition test, and the root with iterative deepening that a front end
// drives: it hands over the position (the board) and the limits of one
// search, and reads back the move, score, depth, line, nodes and result.
//
// The stop test (check_time) may leave any of these searches with a longjmp
// straight back to root_search. Every frame it can cross holds only
// trivially destructible locals, and all state lives in plain tables (the
// thread's SearchState and BoardState, the shared table), so nothing needs
// unwinding or releasing.
#pragma once

#include <csetjmp>
#include <cstdint>

#include "board/board.h"

// ---------------------------------------------------------------- search-wide state
constexpr int PV_ROWS = 50;     // rows 0..49: the quiescence search reaches ply 49
constexpr int PV_COLUMNS = 51;

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

// ---------------------------------------------------------------- start-up (start_up.cpp)
// Sets the engine up as a new process has it, for every program over the
// core: the start-up tables (built once per process), one search thread
// (the calling one, its pos, ev and search assigned fresh), a table of
// hash_megabytes (below 5 none), the initial position with cleared search
// tables, its key and its ply-0 list.
// The option flags are the caller's: they start on, and a front end sets
// them from its options. Returns what hash_init returned: the slot count,
// 0 for no table, -1 when the memory cannot be had (there is then no table).
int start_engine(int hash_megabytes);

// ---------------------------------------------------------------- repetition (repetition.cpp)
// Walks the history back from the newest record to `oldest` and returns 1
// once the present placement has recurred `wanted` times.
int repetition_walk(int oldest, int wanted);

// ---------------------------------------------------------------- time (clock.cpp)
// Monotonic clock in milliseconds (wraps; only differences are used).
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
// result). With optimum_ms the time policy decides between iterations
// (time_policy_says_stop) and the stop test never lets the search pass
// maximum_ms. movetime_ms and nodes are plain limits, 0 when not given.
// lines, mate_moves and restricted_root ask more of the root than its best
// move; a limits record filled with zeros asks nothing of them.
struct SearchLimits {
    int start_ms;     // now_ms() when the front end took the command; elapsed time counts from here
    int clock_rules;  // 1: the clock rules apply
    int clock_ms;     // the engine's remaining time
    int budget_ms;    // the move's budget
    int optimum_ms;   // the time the move should take, scaled by the search's course; 0: no time policy
    int maximum_ms;   // never searched past; 0: no such limit
    int movetime_ms;  // search until this much time has passed
    int64_t nodes;    // stop once this many nodes are searched
    int depth;        // the last iteration, 1 .. MAX_ITERATION - 1
    int poll_mask;    // the stop test runs when nodes & poll_mask is 0
    int lines;        // the best `lines` root moves get exact scores and lines (root_lines); 0 or 1: the best alone
    int mate_moves;   // the search ends once it finds a mate in this many moves or fewer; 0: no such limit
    // The ply-0 list holds only some of the legal moves: the root takes no
    // answer or bound from the table or the previous line, stores its own
    // score only as a lower bound, and searches on with a single move.
    int restricted_root;
    // The strength limit (strength.cpp): a rating below STRENGTH_MAX_ELO
    // weakens the search and picks the move played among its best lines;
    // 0 plays at full strength. seed is the game's: the same seed,
    // position and lines give the same move.
    int elo;
    uint64_t seed;
    int min_depth;  // the node limit ends no search before this iteration is complete
};

constexpr int RESULT_STALEMATE = 4;
constexpr int MAX_ITERATION = 25;  // iterations run from 1 up to 24

// The clock rules of search_limits, the move time, the maximum and the node
// limit.
int limits_reached();
// The clock rules' test between iterations, on search_limits and root_score
// now: true when no new iteration may start (3000 ms or less on the clock,
// 60 per cent of the budget used, or 70 per cent unless the score is -30 or
// worse). Reads only.
bool clock_says_stop();

// The time policy's test between iterations (time_policy.cpp), on
// search_limits and what this thread's search has seen: true when no new
// iteration should start. The optimum is scaled up when the best move has
// just changed or the score has fallen, down when the best move has stayed
// for several iterations and took most of the nodes; no new iteration once
// about half of the scaled optimum is used, nor when the next one, judged
// by the last, would not end before the maximum. False without an optimum.
// Reads only.
bool time_policy_says_stop();

// A running search takes on the clock words, the optimum and maximum and
// the move time of limits (a ponderhit hands it those of the go, the time
// pondered counting as spent on the move); its start, node and depth
// limits stay. Returns 1 when they already end it: the move time or the
// maximum has passed, or an iteration is complete and the clock rules or
// the time policy would start no new one. Called from the stop hook or
// between searches, on the main thread.
int change_search_limits(const SearchLimits& limits);

// Progress for a front end that reports it: PROGRESS_NEW_BEST when a root
// move becomes the best of its iteration, PROGRESS_ITERATION when an
// iteration is complete, PROGRESS_ROOT_MOVE before each root move is
// searched (current_root_move, current_root_move_number). Null when nobody
// listens; a hook ignores the events it does not know.
constexpr int PROGRESS_NEW_BEST = 0, PROGRESS_ITERATION = 1, PROGRESS_ROOT_MOVE = 2;

// With SearchLimits::lines above 1, the best root moves of the search, best
// first: after a complete iteration every line is of that iteration; after
// a stop within one, the lines it had already scored come first, then those
// of the iteration before that it had not reached yet. The first line's
// move is pv[0][0].
constexpr int MAX_LINES = 256;
struct RootLine {
    int score;              // exact score of the line, from the side to move's view
    int depth;              // the iteration that gave it
    int length;             // moves in `moves`, the root move first
    Move moves[PV_COLUMNS];
};

// ---------------------------------------------------------------- what a search thread owns
// Everything of the search that a search writes, one instance per thread
// (search): what the front ends hand over and read back, then the
// searches' own words. The option flags, the thread bookkeeping and the
// start-up tables are shared. Plain data that starts as zeros: a thread is
// reset by `search = SearchState{}` (start_engine then installs the
// default stop test and poll mask), and a helper is handed only what it
// needs (threads.cpp).
struct SearchState {
    // What a front end sets or reads.
    SearchLimits search_limits;  // the limits of the current search
    // The stop test of the current search: nonzero ends it at once. The
    // front end installs its own (to read input while thinking, say); by
    // default it is limits_reached. It runs every poll_mask + 1 nodes from
    // the tenth poll of a search on, and once per iteration at the root.
    int (*stop_hook)();
    void (*progress_hook)(int event);        // see PROGRESS_NEW_BEST; null when nobody listens
    void (*warning_hook)(const char* text);  // a warning the search prints and goes on after ("stack fails"); null drops it
    int64_t nodes;         // search and quiescence nodes of the current search
    int poll_mask;         // the stop test runs when nodes & poll_mask is 0
    int hash_hits;         // table hits that gave a move
    int sel_depth;         // the deepest ply a node of the current search reached, quiescence included
    int root_score;        // score of the best root move, NO_SCORE when none
    int root_depth;        // iteration being searched or last searched
    int root_result;       // 0 or RESULT_STALEMATE
    int completed_depth;   // the last iteration this thread's search completed, 0 none
    // Why the search had to give up (the move stack ran full: "move stack
    // fails" or "stack fails"), null when it did not. The front end decides
    // what follows; the result words then hold the best move found so far.
    const char* search_failure;
    Move current_root_move;        // the root move about to be searched
    int current_root_move_number;  // its place in the ply-0 list of the iteration, from 1
    int pv_length[PV_ROWS + 1];    // one past the last filled column of each row
    Move pv[PV_ROWS][PV_COLUMNS];  // triangular principal variation, row = ply
    int root_line_count;
    RootLine root_lines[MAX_LINES];  // with several lines, the best root moves (above)

    // The searches' own words; front ends leave them alone.
    std::jmp_buf abort_point;  // saved by root_search; the stop test and a failure jump to it
    int time_out;              // the stop test ended the current search
    int late_stop_armed;       // a root move other than the first was searched in this iteration
    int follow_pv;             // the node lies on the previous iteration's line
    int poll_count;            // polls of the current search
    int quiesce_entry;         // 2 while a full-width node calls quiescence
    int extension_fraction;    // fractional extension in sixtieths of a ply
    int stalemate_seen;        // a node at ply 1 found itself stalemated
    int null_ply;              // ply of the node whose null move is in force, 0 none
    int fresh_lines;           // lines at the front of root_lines that this iteration scored
    int depth_offset;          // added to the first iteration: 1 for every other helper
    // What the time policy reads of this search's iterations (time_policy.cpp).
    int iteration_start_ms;    // time used when the running iteration began
    int last_iteration_ms;     // how long the last complete iteration took
    int64_t iteration_nodes;   // nodes when the running iteration began
    int64_t best_move_nodes;   // nodes under the root move that became best last in the running iteration
    int best_move_changes;     // times the best move changed in the running iteration
    int move_instability;      // best-move changes of the last iterations in sixteenths, halved each iteration
    int best_move_depth;       // the iteration in which the present best move became best
    int best_node_share;       // per mille of the last complete iteration's nodes spent under its best move
    int iteration_scores[3];   // root score of the last complete iterations, newest first; NO_SCORE: none
    int helper;                // which helper this thread is, from 1; 0 for the main thread
    int64_t table_hits;        // endgame-table probes of the current search that gave a result
    int table_root_score;      // the root's score when the tables call it won or lost, else 0
};
extern thread_local SearchState search;

// One search of the engine's turn: the history heuristic aged, a new table
// generation, hash_hits cleared, root_search, and the key and its slot
// restored afterwards. Under a strength limit (limits.elo) the search is
// the limited one of the main thread alone, and pv[0] and root_score are
// those of the line it chose to play.
void search_move(const SearchLimits& limits);

// ---------------------------------------------------------------- strength limit (strength.cpp)
// A weaker opponent at a rating on the scale of Stockfish 15.1's
// UCI_Elo (the rating measured at 10 s + 0.1 s a move, docs/strength.md).
// Below STRENGTH_MAX_ELO, the engine's own full strength on that scale,
// the search gets fewer nodes (and at the bottom a depth cap), looks for
// several best lines, and plays one of those within a margin of the best,
// picked with seeded noise; margin and noise grow as the rating falls.
constexpr int STRENGTH_MIN_ELO = 600;
constexpr int STRENGTH_MAX_ELO = 1900;
// No move is picked that scores this much below the best line, whatever
// the level: a limited move never gives away a piece that its own search
// (at least two iterations and the quiescence search) sees taken.
constexpr int STRENGTH_MAX_MARGIN = 250;
struct StrengthKnobs {
    int64_t nodes;  // node limit of the search (after its second iteration)
    int depth;      // its last iteration
    int lines;      // best root lines searched: the candidates
    int margin;     // a candidate scores at most this much below the best line
    int noise;      // each candidate's score is raised by a seeded amount below this
};
// The rating a limit plays at: 0 for full strength (0 or less, or
// STRENGTH_MAX_ELO and above), otherwise at least STRENGTH_MIN_ELO.
int limited_elo(int elo);
// The knobs at a rating (limited_elo of it); each moves one way as the
// rating rises: nodes and depth up, lines, margin and noise down.
StrengthKnobs strength_knobs(int elo);
// How long a limited move should take, counted from limits.start_ms, so
// that it comes neither at once nor after a long think: a seeded share
// (30 to 70 per cent) of the time the full-strength search would be given
// (the xboard clock's budget, the UCI clock's optimum, or the move time); 0
// without a limit, without a clock or move time, and with 3 s or less on
// the xboard clock. The front end waits for it after the search.
int natural_move_ms(const SearchLimits& limits);
// A seed for a new game, different at every call.
uint64_t new_game_seed();

// ---------------------------------------------------------------- search threads (threads.cpp)
constexpr int MAX_THREADS = 256;
// Sets the number of search threads (clamped to 1 .. MAX_THREADS): the
// calling thread, which reads the clock and the input, reports and chooses
// the move, and count - 1 helpers that search the same root beside it,
// sharing the table. Helpers are started or ended here only, never during
// a search; between searches they sleep.
void set_search_threads(int count);
int search_threads();
// The nodes of the current or last search, summed over every search thread.
int64_t nodes_searched();
// Its endgame-table hits, summed the same way.
int64_t table_hits_searched();

// ---------------------------------------------------------------- endgame tables (table_probes.cpp)
// The options of the endgame tables (board.h loads them), shared by every
// thread and set between searches.
extern int table_probe_depth;  // the search probes at this remaining depth and deeper (1 to 100)
extern int table_fifty_rule;   // 1: a win the fifty-move rule spoils counts as a draw
extern int table_probe_limit;  // positions of at most this many men are probed (0 to 7)
// Turns a load_tables result into a line for the front ends: "N tables
// found, up to M men" or that none were found (text holds size bytes).
void describe_table_load(const TableLoad& load, char* text, int size);
