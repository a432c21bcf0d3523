// Pawn structure (terms to follow).
#include "eval/eval_terms.h"

int pawn_rear[2][10];
int best_passer[2];

int pawn_duos() {
    for (int f = 0; f < 10; ++f) pawn_rear[WHITE][f] = -1, pawn_rear[BLACK][f] = 8;
    return 0;
}
int pawn_duos_endgame() { return pawn_duos(); }
int evaluate_pawn(int, int) { return 0; }
