// Developer commands of vexmoth-tool, built over the engine library.
#pragma once

#include <cstdint>

// Sets up the FEN as standard chess, or as Chess960 (its castling field in
// Shredder-FEN or X-FEN) when standard chess refuses it: castling rights by
// rook files, or a castling king or rook off its standard square. False,
// with Chess960's reason in *error, when both refuse it.
bool set_up_fen(const char* fen, const char** error);
// Sets up the FEN given by the arguments (one quoted argument or its fields
// as separate words; read by set_up_fen), or the initial position when
// there are none. Prints the error and returns false when the FEN is
// refused.
bool setup_from_arguments(int argc, char** argv);

// Reads the argument `name` as a whole number from low to high into
// *value; false, with a one-line message on standard error, otherwise.
bool read_number(const char* name, const char* text, int low, int high, int* value);
// Reads --seed's argument, a whole number from 0 to 2^64 - 1; false, with a
// one-line message on standard error, otherwise.
bool read_seed(const char* text, uint64_t* seed);

// Number of legal move paths of the given depth from the current position.
uint64_t perft(int depth);

// Searches the current position as the engine's turn does: a fresh ply-0
// list, a new table generation, iterations up to depth and, when time_ms is
// positive, a move budget of time_ms; with lines above 1 the best `lines`
// root moves get exact scores (root_lines); with elo the strength limit's
// search and choice, with that seed. The key is restored afterwards.
void search_position(int depth, int time_ms, int lines = 1, int elo = 0, uint64_t seed = 0);
// The bench positions: openings, middlegames with tactics, endgames,
// promotions, checks and mates.
constexpr int BENCH_POSITION_COUNT = 38;
extern const char* const BENCH_FENS[BENCH_POSITION_COUNT];
// Searches every bench position to the given depth (and for `lines` lines),
// each from a cleared 16 MB table and a cleared history, and returns the
// node total of all threads (printing a line per position, with its time,
// when verbose).
int64_t run_bench(int depth, bool verbose, int lines = 1);

// Sub-commands: each takes the arguments after its name and returns the
// process exit status (2 for bad arguments).
int command_perft(int argc, char** argv);
int command_divide(int argc, char** argv);
int command_perft_suite(int argc, char** argv);
int command_eval(int argc, char** argv);
int command_eval_bench(int argc, char** argv);
int command_search(int argc, char** argv);
int command_bench(int argc, char** argv);
int command_solve(int argc, char** argv);
int command_curve(int argc, char** argv);
int command_blunders(int argc, char** argv);
