// FEN set-up on arbitrary text. A refused FEN must be refused with a reason;
// an accepted one must leave a sound position: the key as computed from
// scratch, board squares and piece records naming each other, one king a
// side, the side not to move out of check, and move lists whose every move
// is made and taken back exactly.
#include "fuzz_support.h"

namespace {

// The board as the engine checks it, each square's man one of the records,
// each side with exactly one king, in its record.
void check_board() {
    FUZZ_CHECK(board_is_ok());
    const PieceRecord* const records = &piece_list[0][0];
    for (const PieceRecord* r : board)
        FUZZ_CHECK(!r || (r >= records && r < records + 2 * 17 && r->kind >= PAWN && r->kind <= KING));
    for (const auto& list : piece_list) {
        int kings = 0;
        for (int i = 0; i < LIST_TERMINATOR; ++i) kings += list[i].alive && list[i].kind == KING;
        FUZZ_CHECK(kings == 1 && list[KING_RECORD].alive && list[KING_RECORD].kind == KING);
    }
}

// The position as make and unmake must leave it (not the scoring cache).
struct Snapshot {
    PieceRecord* squares[128];
    PieceRecord records[2][17];
    int state[10];
    bool operator==(const Snapshot& other) const { return !std::memcmp(this, &other, sizeof other); }
};

Snapshot snapshot() {
    Snapshot s{};
    std::memcpy(s.squares, board, sizeof board);
    std::memcpy(s.records, piece_list, sizeof piece_list);
    for (auto& list : s.records)
        for (PieceRecord& r : list) r.threat_flags = 0;
    const int state[10] = {side, xside, castle_flags, ep_square, fifty, history_count, ply, material[WHITE],
                           material[BLACK], piece_material[WHITE] * 16 + piece_material[BLACK]};
    std::memcpy(s.state, state, sizeof state);
    return s;
}

// Makes and takes back every move of the ply-0 list: the key updated after
// the move is the key from scratch, and unmake restores the position (the
// key itself is restored by copy, as the searches do).
void check_list() {
    FUZZ_CHECK(first_move[0] == 0 && last_move[0] >= 0 && last_move[0] < MOVE_STACK_SIZE);
    const Snapshot before = snapshot();
    const uint64_t key = hash_key;
    for (int i = first_move[0]; i < last_move[0]; ++i) {
        const Move m = move_list[i].move;
        FUZZ_CHECK(on_board(move_from(m)) && on_board(move_to(m)));
        FUZZ_CHECK(board[move_from(m)] && board[move_from(m)]->color == side);
        if (make_move(m)) {
            update_hash_key(m);
            FUZZ_CHECK(hash_key == position_key() && board_is_ok());
            unmake_move();
            hash_key = key;
            FUZZ_CHECK(position_key() == key);
        }
        FUZZ_CHECK(snapshot() == before);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_engine(5);  // the smallest table: update_hash_key works only with one
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* error = nullptr;
    if (!set_position_from_fen(input_text(data, size).c_str(), &error)) {
        FUZZ_CHECK(error != nullptr);
        return 0;
    }
    check_board();
    FUZZ_CHECK(hash_key == position_key() && history_count == 0 && ply == 0);
    compute_hash_key();
    FUZZ_CHECK(hash_key == position_key());
    // As a front end does after a set-up: check status, then the ply-0 list.
    in_check_flag = find_checker(xside);
    FUZZ_CHECK(in_check_flag >= 0 && in_check_flag <= 2);
    gen_moves();
    FUZZ_CHECK(!king_capture);
    check_list();
    if (in_check_flag) {
        find_checker(xside);
        gen_evasions();
        check_list();
    }
    check_board();
    return 0;
}
