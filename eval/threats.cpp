// Tactical threat terms (to follow).
#include "eval/eval_terms.h"

int threat_knight(uint64_t) { return 0; }
int threat_bishop(uint64_t) { return 0; }
int threat_rook(uint64_t) { return 0; }
int threat_queen(uint64_t) { return 0; }
