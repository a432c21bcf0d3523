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
    assert(pos.ply == 0);
    std::memcpy(copy->records, recs.piece_list, sizeof recs.piece_list);
    copy->history_count = pos.history_count;
    for (int i = 0; i < pos.history_count; ++i) {
        copy->history[i] = pos.history[i];
        copy->history[i].captured = same_record(pos.history[i].captured, recs.piece_list, copy->records);
    }
    copy->side = pos.side;
    copy->castle_flags = pos.castle_flags;
    copy->chess960 = pos.chess960;
    std::memcpy(copy->castle_rook, pos.castle_rook, sizeof pos.castle_rook);
    std::memcpy(copy->castle_masks, pos.castle_masks, sizeof pos.castle_masks);
    copy->ep_square = pos.ep_square;
    copy->fifty = pos.fifty;
    copy->king_square[WHITE] = pos.king_square[WHITE];
    copy->king_square[BLACK] = pos.king_square[BLACK];
    copy->key = pos.hash_key;
    copy->in_check = pos.in_check_flag;
    copy->checker = pos.checker_square;
    copy->block = pos.block_mask;
    copy->move_count = pos.last_move[0] - pos.first_move[0];
    std::memcpy(copy->moves, pos.move_list + pos.first_move[0], sizeof(MoveEntry) * size_t(copy->move_count));
}

void load_position(const PositionCopy& copy) {
    std::memcpy(recs.piece_list, copy.records, sizeof recs.piece_list);
    std::memset(pos.board, 0, sizeof pos.board);
    for (int c = WHITE; c <= BLACK; ++c)
        for (int i = 0; i < LIST_TERMINATOR; ++i)
            if (recs.piece_list[c][i].alive) pos.board[recs.piece_list[c][i].square] = &recs.piece_list[c][i];
    pos.history_count = copy.history_count;
    for (int i = 0; i < pos.history_count; ++i) {
        pos.history[i] = copy.history[i];
        pos.history[i].captured = same_record(copy.history[i].captured, copy.records, recs.piece_list);
    }
    pos.ply = 0;
    pos.side = copy.side;
    pos.xside = pos.side ^ 1;
    pos.castle_flags = copy.castle_flags;
    pos.chess960 = copy.chess960;
    std::memcpy(pos.castle_rook, copy.castle_rook, sizeof pos.castle_rook);
    std::memcpy(pos.castle_masks, copy.castle_masks, sizeof pos.castle_masks);
    pos.ep_square = copy.ep_square;
    pos.fifty = copy.fifty;
    pos.king_square[WHITE] = copy.king_square[WHITE];
    pos.king_square[BLACK] = copy.king_square[BLACK];
    count_material();
    rebuild_square_sets();
    pos.hash_key = copy.key;
    hash_select();
    pos.in_check_flag = copy.in_check;
    pos.checker_square = copy.checker;
    pos.block_mask = copy.block;
    pos.king_capture = 0;
    pos.first_move[0] = 0;
    pos.last_move[0] = pos.first_move[1] = copy.move_count;
    std::memcpy(pos.move_list, copy.moves, sizeof(MoveEntry) * size_t(copy.move_count));
    assert(board_is_ok());
    assert(!hash_table || pos.hash_key == position_key());
}
