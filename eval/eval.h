// The static evaluation: material, pawn structure, piece terms, king safety,
// a separate endgame evaluation and the tactical double-attack terms, in
// centipawns from the side to move's view.
#pragma once

#include <cstdint>

#include "board/board.h"

// 1, 2 or 3 by material (set_game_phase); read by the evaluation.
extern thread_local int game_phase;
// piece_material of both colours when the current search started.
extern thread_local int root_piece_material[2];
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
