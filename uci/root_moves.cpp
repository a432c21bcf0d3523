// The root moves of a go: those "searchmoves" lets the search look at, the
// one the engine plays, and the reply it expects to it (the ponder move of
// its bestmove line).
#include <cstring>

#include "uci/uci.h"

namespace {

// Whether one of words from .. to - 1 is the move's text.
bool named(Move m, int from, int to) {
    const char* text = long_algebraic(m);
    for (int i = from; i < to; ++i)
        if (!std::strcmp(words[i], text)) return true;
    return false;
}

// The first entry of the ply-0 list that is legal, or 0 when none is.
Move first_legal_move() {
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i)
        if (legal_prefix(&pos.move_list[i].move, 1) == 1) return pos.move_list[i].move;
    return 0;
}

// The table's move for the position after best, or 0. The key and the
// selected slot are the root's again afterwards.
Move table_reply(Move best) {
    if (!make_legal_move(best)) return 0;
    const uint64_t root_key = pos.hash_key;
    update_hash_key(best);
    const Move reply = hash_hit() ? hash_move() : 0;
    unmake_move();
    pos.hash_key = root_key;
    hash_select();
    return reply;
}

}  // namespace

int restrict_root_moves(int from, int to) {
    Move named_moves[MOVE_STACK_SIZE];
    int count = 0;
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i)
        if (named(pos.move_list[i].move, from, to) && legal_prefix(&pos.move_list[i].move, 1) == 1)
            named_moves[count++] = pos.move_list[i].move;
    // A word none of them answers to is left out, and said so.
    for (int w = from; w < to; ++w) {
        bool found = false;
        for (int k = 0; k < count && !found; ++k) found = !std::strcmp(words[w], long_algebraic(named_moves[k]));
        if (!found) output_line("info string go: searchmoves: %s is no legal move here and is left out", shown_text(words[w]));
    }
    const int all = pos.last_move[0] - pos.first_move[0];
    if (keep_root_moves(named_moves, count) == 0) {
        if (to > from) output_line("info string go: searchmoves names no legal move: every move is searched");
        return 0;
    }
    return count < all;
}

Move chosen_move() {
    const Move best = search.pv[0][0];
    if (best && legal_prefix(&best, 1) == 1) return best;
    return first_legal_move();
}

Move expected_reply(Move best) {
    if (!best) return 0;
    const Move line[2] = {best, search.pv[0][0] == best && search.pv_length[0] >= 2 ? search.pv[0][1] : table_reply(best)};
    return line[1] && legal_prefix(line, 2) == 2 ? line[1] : 0;
}
