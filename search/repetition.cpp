// Repetition by squares: undoing the reversible moves newest first, the
// position recurs when every square the undone moves vacated has been
// filled again after an even number of half-moves. Keys, castling rights
// and en passant are not compared.
#include <cstring>

#include "search/search_internal.h"

int repetition_walk(int oldest, int wanted) {
    int counter[128];
    std::memset(counter, 0, sizeof counter);
    int changed = 0, parity = 1, found = 0;
    for (int i = pos.history_count - 1; i >= oldest; --i) {
        const Move m = pos.history[i].move;
        changed += ++counter[move_from(m)] != 0 ? 1 : -1;
        changed += --counter[move_to(m)] != 0 ? 1 : -1;
        parity ^= 1;
        if (changed == 0 && parity == 1 && ++found == wanted) return 1;
    }
    return 0;
}

// A null move sets fifty to 0, so the walk never crosses one.
int is_repetition() {
    if (pos.fifty < 4 || pos.fifty > pos.history_count) return 0;
    return repetition_walk(pos.history_count - pos.fifty, 1);
}
