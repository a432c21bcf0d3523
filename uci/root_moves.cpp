// The root moves of a go: the one the engine plays, and the reply it
// expects to it (the ponder move of its bestmove line).
#include "uci/uci.h"

namespace {

// The first entry of the ply-0 list that is legal, or 0 when none is.
Move first_legal_move() {
    for (int i = first_move[0]; i < last_move[0]; ++i)
        if (legal_prefix(&move_list[i].move, 1) == 1) return move_list[i].move;
    return 0;
}

// The table's move for the position after best, or 0. The key and the
// selected slot are the root's again afterwards.
Move table_reply(Move best) {
    if (!make_legal_move(best)) return 0;
    const uint64_t root_key = hash_key;
    update_hash_key(best);
    const Move reply = hash_hit() ? hash_move() : 0;
    unmake_move();
    hash_key = root_key;
    hash_select();
    return reply;
}

}  // namespace

Move chosen_move() {
    const Move best = pv[0][0];
    if (best && legal_prefix(&best, 1) == 1) return best;
    return first_legal_move();
}

Move expected_reply(Move best) {
    if (!best) return 0;
    const Move line[2] = {best, pv[0][0] == best && pv_length[0] >= 2 ? pv[0][1] : table_reply(best)};
    return line[1] && legal_prefix(line, 2) == 2 ? line[1] : 0;
}
