// FEN set-up on arbitrary text. A refused FEN must just be refused; an
// accepted one must leave a sound position: the key as computed from
// scratch, board squares and piece records naming each other, one king a
// side, and move lists whose every move is made and taken back exactly.
#include "fuzz_support.h"
#include "search/search.h"
#include "tools/tools.h"

namespace {

// Board and records agree both ways, and each side has exactly one king.
void check_board() {
    for (int sq = 0; sq < 128; ++sq) {
        const PieceRecord* r = board[sq];
        if (!r) continue;
        FUZZ_CHECK(on_board(sq));
        FUZZ_CHECK(r >= &piece_list[0][0] && r < &piece_list[0][0] + 2 * 17);
        FUZZ_CHECK(r->alive && r->square == sq);
        FUZZ_CHECK(r->kind >= PAWN && r->kind <= KING);
    }
    for (int color = WHITE; color <= BLACK; ++color) {
        int kings = 0;
        for (int i = 0; i < LIST_TERMINATOR; ++i) {
            const PieceRecord& r = piece_list[color][i];
            FUZZ_CHECK(r.color == color);
            if (!r.alive) continue;
            FUZZ_CHECK(on_board(r.square) && board[r.square] == &r);
            if (r.kind == KING) ++kings;
        }
        FUZZ_CHECK(kings == 1);
        FUZZ_CHECK(piece_list[color][KING_RECORD].alive && piece_list[color][KING_RECORD].kind == KING);
        FUZZ_CHECK(piece_list[color][LIST_TERMINATOR].kind == END_OF_LIST);
    }
    FUZZ_CHECK(xside == (side ^ 1));
    FUZZ_CHECK(board_is_ok());
}

struct Snapshot {
    PieceRecord* squares[128];
    PieceRecord records[2][17];
    int state[10];
};

void take_snapshot(Snapshot* s) {
    std::memcpy(s->squares, board, sizeof board);
    std::memcpy(s->records, piece_list, sizeof piece_list);
    for (auto& list : s->records)
        for (PieceRecord& r : list) r.threat_flags = 0;  // a scoring cache, not position
    const int state[10] = {side,           xside,          castle_flags,         ep_square,
                           fifty,          history_count,  ply,                  material[WHITE],
                           material[BLACK], piece_material[WHITE] * 16 + piece_material[BLACK]};
    std::memcpy(s->state, state, sizeof state);
}

bool same(const Snapshot& a, const Snapshot& b) {
    return !std::memcmp(a.squares, b.squares, sizeof a.squares) &&
           !std::memcmp(a.records, b.records, sizeof a.records) && !std::memcmp(a.state, b.state, sizeof a.state);
}

// Makes and takes back every move of the ply-0 list: the key updated after
// the move is the key from scratch, and unmake restores the position (the
// key itself is restored by copy, as the searches do).
void check_list() {
    FUZZ_CHECK(first_move[0] == 0);
    FUZZ_CHECK(last_move[0] >= first_move[0] && last_move[0] < MOVE_STACK_SIZE);
    Snapshot before, after;
    take_snapshot(&before);
    const uint64_t key = hash_key;
    for (int i = first_move[0]; i < last_move[0]; ++i) {
        const Move m = move_list[i].move;
        FUZZ_CHECK(on_board(move_from(m)) && on_board(move_to(m)));
        FUZZ_CHECK(board[move_from(m)] && board[move_from(m)]->color == side);
        if (!make_move(m)) {
            take_snapshot(&after);
            FUZZ_CHECK(same(before, after));
            continue;
        }
        update_hash_key(m);
        FUZZ_CHECK(hash_key == position_key());
        FUZZ_CHECK(board_is_ok());
        unmake_move();
        hash_key = key;
        FUZZ_CHECK(position_key() == key);
        take_snapshot(&after);
        FUZZ_CHECK(same(before, after));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_start_up(5);  // the smallest table
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string fen = input_text(data, size);
    const char* error = nullptr;
    if (!set_position_from_fen(fen.c_str(), &error)) {
        FUZZ_CHECK(error != nullptr);
        return 0;
    }
    check_board();
    FUZZ_CHECK(hash_key == position_key());
    compute_hash_key();
    FUZZ_CHECK(hash_key == position_key());
    FUZZ_CHECK(history_count == 0 && ply == 0);

    // As a front end does after a set-up: check status, then the ply-0 list.
    in_check_flag = find_checker(xside);
    FUZZ_CHECK(in_check_flag == 0 || in_check_flag == 1 || in_check_flag == 2);
    gen_moves();
    FUZZ_CHECK(!king_capture);  // the side not to move is never in check
    check_list();
    if (in_check_flag) {
        find_checker(xside);
        gen_evasions();
        check_list();
    }
    check_board();
    return 0;
}
