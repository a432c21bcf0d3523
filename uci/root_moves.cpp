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

int restrict_root_moves(int from, int to) {
    // The legal moves the words name move up to the front of the list, in
    // order; an entry is only ever copied over one already passed, so when
    // none is named the list is as it was.
    int kept = first_move[0];
    for (int i = first_move[0]; i < last_move[0]; ++i)
        if (named(move_list[i].move, from, to) && legal_prefix(&move_list[i].move, 1) == 1)
            move_list[kept++] = move_list[i];
    // A word none of them answers to is left out, and said so.
    for (int w = from; w < to; ++w) {
        bool found = false;
        for (int i = first_move[0]; i < kept && !found; ++i)
            found = !std::strcmp(words[w], long_algebraic(move_list[i].move));
        if (!found) output_line("info string go: searchmoves: %s is no legal move here and is left out", shown_text(words[w]));
    }
    if (kept == first_move[0]) {
        if (to > from) output_line("info string go: searchmoves names no legal move: every move is searched");
        return 0;
    }
    const int restricted = kept < last_move[0];
    last_move[0] = kept;
    return restricted;
}

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
