// The evaluation's entry. For now it scores material and the placement of
// knights and bishops; the positional terms are added to this sum.
#include "eval/eval.h"

int game_phase = 1;
int root_piece_material[2];
uint8_t bit_count[256];

void init_bit_count() {
    for (int b = 0; b < 256; ++b) bit_count[b] = uint8_t((b & 1) + bit_count[b >> 1]);
}

int popcount64(uint64_t set) {
    int n = 0;
    for (; set; set >>= 8) n += bit_count[set & 0xFF];
    return n;
}

void set_game_phase() {
    const bool pieces = piece_material[WHITE] >= 1300 && piece_material[BLACK] >= 1300;
    if (!pieces)
        game_phase = 3;
    else
        game_phase = material[WHITE] > 2500 && material[BLACK] > 2500 ? 1 : 2;
}

namespace {

// Placement of one colour's knights and bishops.
int minor_placement(int c) {
    int score = 0;
    for (const PieceRecord* r = &piece_list[c][KNIGHT_RECORD]; r->kind < QUEEN; ++r)
        if (r->alive && (r->kind == KNIGHT || r->kind == BISHOP)) score += knight_table[square64(r->square)];
    return score;
}

}  // namespace

int evaluate(int alpha, int beta) {
    (void)alpha;
    (void)beta;
    const int white = material[WHITE] + minor_placement(WHITE);
    const int black = material[BLACK] + minor_placement(BLACK);
    return side == WHITE ? white - black : black - white;
}
