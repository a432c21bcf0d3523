// Piece terms (to follow).
#include "eval/eval_terms.h"

int evaluate_knight(const PieceRecord*) { return 0; }
int evaluate_bishop(const PieceRecord*) { return 0; }
int evaluate_rook(const PieceRecord*) { return 0; }
int evaluate_queen(const PieceRecord*) { return 0; }
