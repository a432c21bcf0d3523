// A position handed from one search thread to another. Records hold their
// own squares, so the board and the square sets are rebuilt from them; the
// game history names captured men by address, and an address belongs to
// the list of the thread that made the move, so it is carried over as the
// same record of the other list.
#include <cassert>
#include <cstring>

#include "board/board.h"

namespace {

// The record of list `to` that stands where r stands in list `from`.
PieceRecord* same_record(const PieceRecord* r, const PieceRecord (*from)[17], PieceRecord (*to)[17]) {
    return r ? &to[0][0] + (r - &from[0][0]) : nullptr;
}

}  // namespace

void save_position(PositionCopy* copy) {
    assert(ply == 0);
    std::memcpy(copy->records, piece_list, sizeof piece_list);
    copy->history_count = history_count;
    for (int i = 0; i < history_count; ++i) {
        copy->history[i] = history[i];
        copy->history[i].captured = same_record(history[i].captured, piece_list, copy->records);
    }
    copy->side = side;
    copy->castle_flags = castle_flags;
    copy->ep_square = ep_square;
    copy->fifty = fifty;
    copy->king_square[WHITE] = king_square[WHITE];
    copy->king_square[BLACK] = king_square[BLACK];
    copy->key = hash_key;
    copy->in_check = in_check_flag;
    copy->checker = checker_square;
    copy->block = block_mask;
    copy->move_count = last_move[0] - first_move[0];
    std::memcpy(copy->moves, move_list + first_move[0], sizeof(MoveEntry) * size_t(copy->move_count));
}

void load_position(const PositionCopy& copy) {
    std::memcpy(piece_list, copy.records, sizeof piece_list);
    std::memset(board, 0, sizeof board);
    for (int c = WHITE; c <= BLACK; ++c)
        for (int i = 0; i < LIST_TERMINATOR; ++i)
            if (piece_list[c][i].alive) board[piece_list[c][i].square] = &piece_list[c][i];
    history_count = copy.history_count;
    for (int i = 0; i < history_count; ++i) {
        history[i] = copy.history[i];
        history[i].captured = same_record(copy.history[i].captured, copy.records, piece_list);
    }
    ply = 0;
    side = copy.side;
    xside = side ^ 1;
    castle_flags = copy.castle_flags;
    ep_square = copy.ep_square;
    fifty = copy.fifty;
    king_square[WHITE] = copy.king_square[WHITE];
    king_square[BLACK] = copy.king_square[BLACK];
    count_material();
    rebuild_square_sets();
    hash_key = copy.key;
    hash_select();
    in_check_flag = copy.in_check;
    checker_square = copy.checker;
    block_mask = copy.block;
    king_capture = 0;
    first_move[0] = 0;
    last_move[0] = first_move[1] = copy.move_count;
    std::memcpy(move_list, copy.moves, sizeof(MoveEntry) * size_t(copy.move_count));
    assert(board_is_ok());
    assert(!hash_table || hash_key == position_key());
}
