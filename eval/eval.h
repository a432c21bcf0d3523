// The static evaluation: material, pawn structure, piece terms, king safety,
// a separate endgame evaluation and the tactical double-attack terms, in
// centipawns from the side to move's view.
#pragma once

#include <cstdint>

#include "board/board.h"

// What the pawns alone decide, for one pawn structure: kept in the pawn
// table so that a structure seen before is not worked out again.
struct PawnEntry {
    uint64_t pawns[2];        // the pawns by colour (square64 bits): the key, compared in full
    uint64_t passers[2];      // the passed pawns by colour
    int16_t duos[2][2];       // connected-pair points by colour: middlegame, endgame
    int16_t structure[2][2];  // the pawns' points short of passed_pawn_terms: game phase 1-2, 3
    int8_t rear[2][10];       // pawn_rear
    int8_t on_colour[2][2];   // pawns by colour on squares of square_colour 0 and 1
    uint8_t filled;           // 0 while the slot is empty
};

constexpr int PAWN_TABLE_BITS = 12;

// Everything of the evaluation that a search writes, one instance per
// thread (ev); the evaluation's other tables are constant or built once at
// start-up. Plain data that starts as zeros: a thread is reset by
// `ev = EvalState{}` (start_engine then sets game_phase to 1).
struct EvalState {
    int game_phase;              // 1, 2 or 3 by material (set_game_phase); read by the evaluation
    int root_piece_material[2];  // piece_material of both colours when the current search started

    // Per-call words: rewritten by every evaluate / endgame_evaluate call
    // and read by its later steps within the same call only.
    int king_file[2];         // king_square & 7
    int bishop_code[2];       // 8 no bishop, 4 both, else 2 + colour of the lone bishop's square
    int king_shelter[2];      // shelter points - 16 of a wing king, else 0
    int8_t pawn_rear[2][10];  // rearmost own pawn row by file + 1; none: -1 WHITE, 8 BLACK
    int best_passer[2];       // most advanced passer in the endgame, 0 none
    int king_quadrant[2];     // quarter of the board holding each king
    int quadrant_count[2];    // own men in the own king's quarter minus enemy men there
    int back_rank_guard[2];   // negative: the back row lacks a heavy defender
    int queen_out[2];         // opening only: the queen has left its own half
    int action_square;        // the endgame's centre of action between the kings and the passers

    // The pawn table, indexed by a hash of the two pawn sets; a slot keeps
    // the structure last stored there. Zero, so every slot starts empty.
    PawnEntry pawn_table_slots[1 << PAWN_TABLE_BITS];
};
extern thread_local EvalState ev;

// Number of set bits of each byte value; filled by init_bit_count at start-up.
extern uint8_t bit_count[256];

void init_bit_count();
// Set bits of a 64-bit square set, counted a byte at a time.
int popcount64(uint64_t set);
// game_phase from the material sums: 1 when both colours have 1300 or more
// piece material and more than 2500 material, 2 when both have the piece
// material but one has 2500 or less, 3 otherwise.
void set_game_phase();
// The static score for side; alpha and beta only decide whether the two
// tactical stages near the window run.
int evaluate(int alpha, int beta);
