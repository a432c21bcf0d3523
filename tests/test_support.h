// Helpers shared by the tests: for the in-process tests a freshly reset engine, positions, move
// lists and snapshots; for those that drive the engine binary, a session in a fresh directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "board/board.h"
#include "engine_process.h"
#include "harness/board_model.h"

// The fixture of every in-process test (`using Board = EngineTest;`): the engine as at start-up
// (an empty 8 MB table, one thread, no hooks, every option on, no endgame tables, the xboard clock words reset, the
// random sequence at its seed), so no test depends on the ones run before it.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
};

// Sets up a FEN position (by Chess960's rules with chess960) and its key; fails the current test
// when the FEN is refused.
void setup(const char* fen, int chess960 = 0);
int sq(const char* name);  // the 0x88 square of a name such as "e4"
// A rank of the board as letters, '.' for an empty square: "R....RK." (row 7 is rank 1).
std::string rank_text(int row);
Move find_move(const char* text);  // the move of the current ply's list written as text, or 0
// The legal moves of the position: its list generated, then its legal entries (legal_entries).
std::vector<Move> legal_moves();

// The position as make and unmake must restore it: board, records (without
// the move scorer's cache), game-state words, material and key.
struct Snapshot {
    PieceRecord* squares[128];
    PieceRecord records[2][17];
    int state[11];  // side, xside, castling, en passant, fifty, history, ply, material, piece material
    uint64_t key;
};
Snapshot take_snapshot();
bool same(const Snapshot& a, const Snapshot& b);

// Checks every line of a perft EPD file ("FEN ;D1 20 ;D2 400 ..."): sets up its FEN (by Chess960's
// rules with chess960) and compares the node counts up to the depth `deepest` gives the line (numbered
// from 1); the history must be empty again after each. Returns the number of positions read.
int check_perft_file(const char* path, int chess960, int (*deepest)(int line));

uint32_t next_random();  // deterministic pseudo-random numbers; the fixture restarts them

// ---------------------------------------------------------------- protocol sessions
// A clock on which the engine plays after its first complete iteration.
extern const std::vector<std::string> QUICK_CLOCK;
// Starts the xboard engine in a new empty directory and reads its greeting
// (an empty line); fails the current test when it cannot.
void start_session(EngineProcess& e);
void send_lines(EngineProcess& e, const std::vector<std::string>& lines);
// The output that the lines sent so far produce: an unknown word sent last
// answers with an error line once everything before it has been carried out.
std::string output_until_synced(EngineProcess& e, int timeout_ms = 10000);
// Sends the lines and returns the output they produce.
std::string answer_to(EngineProcess& e, const std::vector<std::string>& lines);
// Set-up lines for a position, white's men first ("Ke1", ...), then black's.
std::vector<std::string> edit_lines(const std::vector<std::string>& white, const std::vector<std::string>& black);
// Expects the text to hold each of the needles, or not to hold those written with a "!" first.
void expect_holds(const std::string& text, const std::vector<std::string>& needles, const std::string& context);
