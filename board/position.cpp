// The position: board, piece records and game-state words, the initial
// position, the material sums and the set-up operations.
#include <cstring>
#include <type_traits>

#include "board/board.h"

thread_local BoardState pos;
thread_local BoardRecords recs;
// Plain data: a thread's words start as zeros (no initialiser to run, so
// the build reads them without a guard, and no image of them in the
// program), and are reset and copied whole.
static_assert(std::is_trivial_v<BoardState> && std::is_trivial_v<BoardRecords>, "a thread's board words are plain data");

namespace {

// Kind and file of records 8..15 in the initial position.
constexpr int piece_kinds[8] = {KNIGHT, KNIGHT, BISHOP, BISHOP, ROOK, ROOK, QUEEN, KING};
constexpr int piece_files[8] = {1, 6, 2, 5, 0, 7, 3, 4};

// The castling squares of standard chess: the rooks of the rights in the
// corners, the masks of the constant table.
void set_standard_castling() {
    pos.chess960 = 0;
    pos.castle_rook[0] = A1;
    pos.castle_rook[1] = H1;
    pos.castle_rook[2] = A8;
    pos.castle_rook[3] = H8;
    for (int sq = 0; sq < 128; ++sq) pos.castle_masks[sq] = castle_mask[sq];
}

void set_record(PieceRecord& r, int kind, int color, int square) {
    r.kind = int8_t(kind);
    r.color = int8_t(color);
    r.square = uint8_t(square);
    r.value = int16_t(piece_value[kind]);
    r.alive = 1;
}

}  // namespace

void new_position(int chess960) {
    for (int color = WHITE; color <= BLACK; ++color) {
        const int back_row = color == WHITE ? 7 : 0, pawn_row = color == WHITE ? 6 : 1;
        for (int i = 0; i < PAWN_RECORDS; ++i)
            set_record(recs.piece_list[color][i], PAWN, color, make_square(pawn_row, i));
        for (int i = 0; i < 8; ++i)
            set_record(recs.piece_list[color][KNIGHT_RECORD + i], piece_kinds[i], color,
                       make_square(back_row, piece_files[i]));
        PieceRecord& end = recs.piece_list[color][LIST_TERMINATOR];
        end.kind = END_OF_LIST;
        end.color = int8_t(color);
        end.alive = 0;
    }
    std::memset(pos.board, 0, sizeof pos.board);
    for (int color = WHITE; color <= BLACK; ++color)
        for (int i = 0; i < LIST_TERMINATOR; ++i)
            pos.board[recs.piece_list[color][i].square] = &recs.piece_list[color][i];
    pos.king_square[WHITE] = E1;
    pos.king_square[BLACK] = E8;
    pos.side = WHITE;
    pos.xside = BLACK;
    pos.fifty = 0;
    pos.ply = 0;
    pos.history_count = 0;
    pos.king_capture = 0;
    pos.first_move[0] = 0;
    pos.castle_flags = CASTLE_WHITE_QUEEN | CASTLE_WHITE_KING | CASTLE_BLACK_QUEEN | CASTLE_BLACK_KING;
    set_standard_castling();
    pos.chess960 = chess960 != 0;
    pos.ep_square = -1;
    count_material();
    rebuild_square_sets();
}

void count_material() {
    for (int color = WHITE; color <= BLACK; ++color) {
        pos.material[color] = 0;
        pos.piece_material[color] = 0;
        for (const PieceRecord* r = recs.piece_list[color]; r->kind < KING; ++r) {
            if (!r->alive) continue;
            pos.material[color] += r->value;
            if (r->kind != PAWN) pos.piece_material[color] += r->value;
        }
    }
}

void finish_set_up(int new_game) {
    count_material();
    pos.king_square[WHITE] = recs.piece_list[WHITE][KING_RECORD].square;
    pos.king_square[BLACK] = recs.piece_list[BLACK][KING_RECORD].square;
    pos.ply = 0;
    pos.history_count = 0;
    pos.first_move[0] = 0;
    pos.king_capture = 0;
    pos.hash_key = position_key();
    compute_hash_key();
    if (new_game) hash_age = 1;
}

void clear_board() {
    for (int color = WHITE; color <= BLACK; ++color)
        for (int i = 0; i < LIST_TERMINATOR; ++i) recs.piece_list[color][i].alive = 0;
    std::memset(pos.board, 0, sizeof pos.board);
    set_standard_castling();
    rebuild_square_sets();
}

int place_piece(int kind, int color, int square) {
    PieceRecord* list = recs.piece_list[color];
    PieceRecord* r = nullptr;
    if (kind == KING) {
        r = &list[KING_RECORD];
    } else if (kind == KNIGHT || kind == BISHOP || kind == ROOK) {
        const int first = KNIGHT_RECORD + 2 * (kind - KNIGHT);
        if (!list[first].alive)
            r = &list[first];
        else if (!list[first + 1].alive)
            r = &list[first + 1];
    } else if (kind == QUEEN && !list[QUEEN_RECORD].alive) {
        r = &list[QUEEN_RECORD];
    }
    // Pawns, and pieces beyond the records of their kind, take a free pawn record.
    if (!r) {
        for (int i = 0; i < PAWN_RECORDS && !r; ++i)
            if (!list[i].alive) r = &list[i];
        if (!r) return 0;
        r->kind = int8_t(kind);
        r->value = int16_t(piece_value[kind]);
    }
    // Keep one record per square and one square per record: a man already on
    // the square is removed, and a king placed again leaves its old square.
    remove_piece(square);
    if (r->alive) pos.board[r->square] = nullptr;
    r->color = int8_t(color);
    r->alive = 1;
    r->square = uint8_t(square);
    pos.board[square] = r;
    if (kind == KING) pos.king_square[color] = square;
    rebuild_square_sets();
    return 1;
}

void remove_piece(int square) {
    if (!pos.board[square]) return;
    pos.board[square]->alive = 0;
    pos.board[square] = nullptr;
    rebuild_square_sets();
}

int board_is_ok() {
    if (pos.xside != (pos.side ^ 1)) return 0;
    int on_squares = 0;
    for (int sq = 0; sq < 128; ++sq) {
        if (!pos.board[sq]) continue;
        if (!on_board(sq) || !pos.board[sq]->alive || pos.board[sq]->square != sq) return 0;
        ++on_squares;
    }
    int alive = 0;
    for (int color = WHITE; color <= BLACK; ++color) {
        for (int i = 0; i < LIST_TERMINATOR; ++i) {
            const PieceRecord& r = recs.piece_list[color][i];
            if (r.color != color) return 0;
            if (!r.alive) continue;
            ++alive;
            if (pos.board[r.square] != &r) return 0;
            if (r.value != piece_value[r.kind]) return 0;
        }
        if (recs.piece_list[color][LIST_TERMINATOR].kind != END_OF_LIST) return 0;
    }
    if (alive != on_squares) return 0;
    const int saved[4] = {pos.material[WHITE], pos.material[BLACK], pos.piece_material[WHITE],
                          pos.piece_material[BLACK]};
    count_material();
    const bool same = saved[0] == pos.material[WHITE] && saved[1] == pos.material[BLACK] &&
                      saved[2] == pos.piece_material[WHITE] && saved[3] == pos.piece_material[BLACK];
    pos.material[WHITE] = saved[0];
    pos.material[BLACK] = saved[1];
    pos.piece_material[WHITE] = saved[2];
    pos.piece_material[BLACK] = saved[3];
    return same;
}
