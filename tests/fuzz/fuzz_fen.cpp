// FEN set-up on arbitrary text, by the rules of standard chess and of Chess960 (whose castling field names rooks
// by their files). A refused FEN must be refused with a reason; an accepted one must leave a sound position: the
// key as computed from scratch, board and records agreeing, each king in its record, the side not to move out of
// check, and move lists whose every move is made and taken back exactly.
#include "fuzz_support.h"

namespace {

void check_board() {
    FUZZ_CHECK(board_is_ok());
    for (const auto& list : recs.piece_list) FUZZ_CHECK(list[KING_RECORD].alive && list[KING_RECORD].kind == KING);
}

// Makes and takes back every move of the ply-0 list (make and unmake check the whole board in this build):
// the position's key is the same after.
void check_list() {
    const uint64_t key = position_key();
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i)
        if (make_move(pos.move_list[i].move)) unmake_move();
    FUZZ_CHECK(position_key() == key && pos.history_count == 0);
}

void check_set_up(const std::string& fen, int chess960) {
    const char* error = nullptr;
    if (!set_position_from_fen(fen.c_str(), &error, 1, chess960)) {
        FUZZ_CHECK(error != nullptr);
        return;
    }
    check_board();
    FUZZ_CHECK(pos.hash_key == position_key() && pos.history_count == 0 && pos.ply == 0);
    compute_hash_key();
    FUZZ_CHECK(pos.hash_key == position_key());
    // As a front end does after a set-up: check status, then the ply-0 list.
    pos.in_check_flag = find_checker(pos.xside);
    FUZZ_CHECK(pos.in_check_flag >= 0 && pos.in_check_flag <= 2);
    gen_moves();
    FUZZ_CHECK(!pos.king_capture);
    check_list();
    if (pos.in_check_flag) {
        find_checker(pos.xside);
        gen_evasions();
        check_list();
    }
    check_board();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_engine(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string fen = input_text(data, size);
    check_set_up(fen, 0);
    check_set_up(fen, 1);
    return 0;
}
