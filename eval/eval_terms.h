// What the evaluation's own files share: the geometry helpers and the term
// functions (the per-call words they share are members of EvalState).
// Nothing outside eval/ includes this header.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "eval/eval.h"

// ---------------------------------------------------------------- weights both term sets use
constexpr int BISHOP_PAIR = 30;       // both bishops alive
constexpr int TRAPPED_ROOK = 30;      // a rook shut in its corner (rook_trapped)
constexpr int NEAR_KING = 3;          // king-move distance within which a piece counts as close to a king

// ---------------------------------------------------------------- geometry
constexpr int PAWN_NONE[2] = {-1, 8};  // pawn_rear of a file without own pawn
constexpr int BACK_ROW[2] = {7, 0};    // own back row by colour
constexpr int FORWARD[2] = {-16, 16};  // a pawn's step toward the enemy back row

constexpr int square_colour(int s) { return ((s >> 4) ^ s) & 1; }
// square64 of the same square seen from the other side of the board.
constexpr int flip_square64(int i) { return i ^ 56; }
// Rows a pawn of colour c on row `row` has moved from its own back row.
constexpr int advance(int c, int row) { return c == WHITE ? 7 - row : row; }
// The table index of square s for colour c in a table laid out from WHITE's side.
constexpr int own_index64(int c, int s) { return c == WHITE ? square64(s) : flip_square64(square64(s)); }
// King-move distance.
inline int distance(int a, int b) {
    const int dr = square_row(a) - square_row(b), df = square_file(a) - square_file(b);
    const int r = dr < 0 ? -dr : dr, f = df < 0 ? -df : df;
    return r > f ? r : f;
}
inline int rear(int c, int file) { return ev.pawn_rear[c][file + 1]; }
inline int has_pawn_on(int c, int file) { return rear(c, file) != PAWN_NONE[c]; }
// Quarter of the board: files a-d / e-h, rows 0-3 / 4-7.
constexpr int quadrant_of(int s) { return (s >= 56 ? 2 : 0) + ((s & 7) >= 4 ? 1 : 0); }
inline int lines_up(int a, int b, int bit) { return (attack_kind[a - b] & bit) != 0; }
// The enemy's single bishop stands on the other colour than square s.
inline int lone_bishop_opposite(int s, int enemy) {
    return ((square_colour(s) + 2) ^ ev.bishop_code[enemy]) == 1;
}

// ---------------------------------------------------------------- shared driver steps
// Sets bishop_code[c] from the two bishop records; returns 1 when both are alive.
int set_bishop_code(int c);
// The +10 for the side ahead in material once pieces came off evenly.
void add_trade_bonus(int score[2]);

// ---------------------------------------------------------------- pawns.cpp
// Connected-pair points of side minus xside, in the middlegame and the
// endgame measure; each rebuilds pawn_rear from the piece lists.
int pawn_duos();
int pawn_duos_endgame();
// A pawn's own points (reads pawn_rear and game_phase; in the endgame a
// passer may become best_passer).
int evaluate_pawn(int c, int sq);
// The passed-pawn part of evaluate_pawn: the advance, held stop square and,
// in the endgame, the bishop colours and best_passer.
int passed_pawn_terms(int c, int sq);

// The squares of each colour's pawns, and the pawn records of each colour
// holding a promoted piece (bit i for record i), read from the piece lists.
void scan_pawn_records(uint64_t pawns[2], uint32_t promoted[2]);
// The entry of the pawn structure given by the two pawn sets, worked out on
// a miss; either way pawn_rear is set from it.
const PawnEntry& pawn_entry(const uint64_t pawns[2]);
// The records of colour c that the piece terms visit: the slot knights to
// the queen, and the promoted pieces.
constexpr uint32_t SLOT_PIECE_RECORDS = ((1u << (QUEEN_RECORD + 1)) - 1) & ~((1u << KNIGHT_RECORD) - 1);
// pawn_duos or pawn_duos_endgame from the entry.
int pawn_entry_duos(const PawnEntry& entry, bool endgame);
// The sum over colour c's pawns of evaluate_pawn and the lone-bishop point
// of each (bishop_code must be set), from the entry and the passers' terms.
int pawn_entry_points(const PawnEntry& entry, int c, bool endgame);
// Debug check: the entry's answers equal those of the record walks above
// (pawn_duos, evaluate_pawn), best_passer included. Leaves best_passer as it was.
int pawn_entry_ok(const PawnEntry& entry, bool endgame);

// ---------------------------------------------------------------- pieces.cpp
int evaluate_knight(const PieceRecord* r);
int evaluate_bishop(const PieceRecord* r);
int evaluate_rook(const PieceRecord* r);
int evaluate_queen(const PieceRecord* r);
// A rook of colour c on square s is shut in a corner by an enemy bishop and pawn.
bool rook_trapped(int c, int s);

// ---------------------------------------------------------------- king_safety.cpp
extern const int king_table[64];
extern const int king_end_table[64];
int king_safety(int c);
int blocked_king_file(int c);

// ---------------------------------------------------------------- endgame.cpp
int endgame_evaluate();

// ---------------------------------------------------------------- threats.cpp
int threat_knight(uint64_t occupancy);
int threat_bishop(uint64_t occupancy);
int threat_rook(uint64_t occupancy);
int threat_queen(uint64_t occupancy);
