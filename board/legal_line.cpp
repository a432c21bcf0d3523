// Whether a line of moves can be played from the current position: each
// move must be in the list the generator makes for its position and must
// not leave its own king attacked. The front ends check the lines they
// show and the moves they send with it, also from a search's hooks.
#include "board/board.h"

namespace {

// Whether m is an entry of the current ply's list. Above the root the list
// is generated first; at the root the list already there is read, never
// regenerated, as a search may be iterating over it. Lists are only made
// below the move stack's limit, as in the search.
bool in_current_list(Move m) {
    if (pos.ply > 0) {
        if (pos.first_move[pos.ply] >= MOVE_STACK_LIMIT) return false;
        pos.in_check_flag = find_checker(pos.xside);
        if (pos.in_check_flag)
            gen_evasions();
        else
            gen_moves();
        if (pos.king_capture) return false;
    }
    for (int i = pos.first_move[pos.ply]; i < pos.last_move[pos.ply]; ++i)
        if (pos.move_list[i].move == m) return true;
    return false;
}

}  // namespace

int legal_prefix(const Move* moves, int count) {
    // The generator and the check test leave these words behind; a search
    // finds them as it left them.
    const int saved_check = pos.in_check_flag, saved_capture = pos.king_capture, saved_checker = pos.checker_square;
    const uint64_t saved_block = pos.block_mask;
    const int saved_kings[2] = {pos.king_square[WHITE], pos.king_square[BLACK]};
    int made = 0;
    while (made < count && pos.ply < MAX_PLY - 2 && moves[made] && in_current_list(moves[made]) &&
           make_legal_move(moves[made]))
        ++made;
    for (int i = 0; i < made; ++i) unmake_move();
    pos.in_check_flag = saved_check;
    pos.king_capture = saved_capture;
    pos.checker_square = saved_checker;
    pos.block_mask = saved_block;
    pos.king_square[WHITE] = saved_kings[WHITE];
    pos.king_square[BLACK] = saved_kings[BLACK];
    return made;
}

int keep_root_moves(const Move* moves, int count) {
    // An entry is only ever copied over one already passed, so the kept
    // entries stay in their order.
    int kept = pos.first_move[0];
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i)
        for (int k = 0; k < count; ++k)
            if (pos.move_list[i].move == moves[k]) {
                pos.move_list[kept++] = pos.move_list[i];
                break;
            }
    if (kept > pos.first_move[0]) pos.last_move[0] = kept;
    return kept - pos.first_move[0];
}
