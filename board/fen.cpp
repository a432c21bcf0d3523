// Setting up a position from FEN text. The pieces go in through the same
// set-up operations as the xboard edit mode; anything the piece records or
// the move generator cannot hold soundly is refused with a message instead.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/board.h"

namespace {

constexpr int MAX_FIELDS = 6;

int kind_of_letter(char letter) {
    switch (std::tolower(static_cast<unsigned char>(letter))) {
        case 'p': return PAWN;
        case 'n': return KNIGHT;
        case 'b': return BISHOP;
        case 'r': return ROOK;
        case 'q': return QUEEN;
        case 'k': return KING;
        default: return -1;
    }
}

// Splits the text at blanks into at most MAX_FIELDS + 1 fields (one more
// than allowed, so that too many fields can be reported).
int split_fields(const char* fen, char fields[][128]) {
    int count = 0;
    const char* p = fen;
    while (*p) {
        while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') ++p;
        if (!*p) break;
        if (count > MAX_FIELDS) return count;
        int n = 0;
        while (*p && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') {
            if (n < 127) fields[count][n++] = *p;
            ++p;
        }
        fields[count][n] = 0;
        ++count;
    }
    return count;
}

const char* place_pieces(const char* placement) {
    int row = 0, file = 0;
    for (const char* p = placement; *p; ++p) {
        if (*p == '/') {
            if (file != 8) return "bad FEN: a rank does not add up to 8 files";
            if (++row > 7) return "bad FEN: more than 8 ranks";
            file = 0;
        } else if (*p >= '1' && *p <= '8') {
            file += *p - '0';
            if (file > 8) return "bad FEN: a rank does not add up to 8 files";
        } else {
            const int kind = kind_of_letter(*p);
            if (kind < 0) return "bad FEN: unknown piece letter";
            if (file > 7) return "bad FEN: a rank does not add up to 8 files";
            if (kind == PAWN && (row == 0 || row == 7)) return "bad FEN: a pawn on the first or last rank";
            const int color = std::isupper(static_cast<unsigned char>(*p)) ? WHITE : BLACK;
            if (kind == KING && recs.piece_list[color][KING_RECORD].alive)
                return "bad position: a side has more than one king";
            if (!place_piece(kind, color, make_square(row, file)))
                return "bad position: more men of one colour than the piece records can hold";
            ++file;
        }
    }
    if (row != 7 || file != 8) return "bad FEN: the placement does not describe 8 ranks of 8 files";
    return nullptr;
}

bool man_is(int square, int kind, int color) {
    return pos.board[square] && pos.board[square]->kind == kind && pos.board[square]->color == color;
}

const char* set_castling(const char* field) {
    pos.castle_flags = 0;
    if (!std::strcmp(field, "-")) return nullptr;
    for (const char* p = field; *p; ++p) {
        int right, king, rook, color;
        switch (*p) {
            case 'K': right = CASTLE_WHITE_KING; king = E1; rook = H1; color = WHITE; break;
            case 'Q': right = CASTLE_WHITE_QUEEN; king = E1; rook = A1; color = WHITE; break;
            case 'k': right = CASTLE_BLACK_KING; king = E8; rook = H8; color = BLACK; break;
            case 'q': right = CASTLE_BLACK_QUEEN; king = E8; rook = A8; color = BLACK; break;
            default: return "bad FEN: castling field is not '-' or letters of KQkq";
        }
        if (!man_is(king, KING, color) || !man_is(rook, ROOK, color))
            return "bad position: a castling right without king and rook on their home squares";
        pos.castle_flags |= right;
    }
    return nullptr;
}

// Chess960: each letter names a castling rook of the king's first rank, by
// its file (A-H white, a-h black) or as the outermost rook on the king's
// side (K, k) or the queen's side (Q, q) of its king. The side of the king
// a rook stands on is the side it castles to.
const char* set_castling960(const char* field) {
    pos.castle_flags = 0;
    pos.chess960 = 1;
    for (int sq = 0; sq < 128; ++sq) pos.castle_masks[sq] = on_board(sq) ? 63 : 0;
    if (!std::strcmp(field, "-")) return nullptr;
    for (const char* p = field; *p; ++p) {
        const char letter = char(std::toupper(static_cast<unsigned char>(*p)));
        if (!((letter >= 'A' && letter <= 'H') || letter == 'K' || letter == 'Q'))
            return "bad FEN: castling field is not '-' or letters of KQkq and rook files A-H, a-h";
        const int color = std::isupper(static_cast<unsigned char>(*p)) ? WHITE : BLACK;
        const int row = color == WHITE ? 7 : 0;
        const int king = recs.piece_list[color][KING_RECORD].square;
        if (square_row(king) != row) return "bad position: a castling right without its king on its first rank";
        int rook = -1;
        if (letter == 'K' || letter == 'Q') {
            const int step = letter == 'K' ? -1 : 1;
            for (int f = letter == 'K' ? 7 : 0; f != square_file(king) && rook < 0; f += step)
                if (man_is(make_square(row, f), ROOK, color)) rook = make_square(row, f);
            if (rook < 0) return "bad position: castling right K or Q without a rook on that side of its king";
        } else {
            rook = make_square(row, letter - 'A');
            if (!man_is(rook, ROOK, color))
                return "bad position: a castling right's file holds no rook of its colour on the king's rank";
        }
        const int index = (color == BLACK ? 2 : 0) + (square_file(rook) > square_file(king) ? 1 : 0);
        if (pos.castle_flags & (1 << index)) return "bad position: two castling rights on one side of a king";
        pos.castle_flags |= 1 << index;
        pos.castle_rook[index] = rook;
        pos.castle_masks[rook] &= ~(1 << index);
        pos.castle_masks[king] &= ~(3 << (2 * color));
    }
    return nullptr;
}

const char* set_en_passant(const char* field) {
    pos.ep_square = -1;
    if (!std::strcmp(field, "-")) return nullptr;
    if (std::strlen(field) != 2 || field[0] < 'a' || field[0] > 'h' || field[1] < '1' || field[1] > '8')
        return "bad FEN: en-passant field is not '-' or a square";
    const int square = make_square('8' - field[1], field[0] - 'a');
    // The square passed over: empty, on the right rank, with the pawn that
    // just moved two squares standing in front of it.
    const int pushed = square + (pos.side == WHITE ? 16 : -16);
    if (square_row(square) != (pos.side == WHITE ? 2 : 5) || pos.board[square] || !man_is(pushed, PAWN, pos.xside))
        return "bad position: no pawn can just have passed over the en-passant square";
    pos.ep_square = square;
    return nullptr;
}

const char* read_counter(const char* field, int* value) {
    char* end;
    const long n = std::strtol(field, &end, 10);
    if (*end || end == field || n < 0 || n > 100000) return "bad FEN: move counters must be numbers";
    *value = int(n);
    return nullptr;
}

const char* setup(const char* fen, int chess960) {
    char fields[MAX_FIELDS + 1][128];
    const int count = split_fields(fen, fields);
    if (count < 4 || count > MAX_FIELDS)
        return "bad FEN: expected 4 to 6 fields (placement, side, castling, en passant, counters)";
    clear_board();
    if (const char* e = place_pieces(fields[0])) return e;
    if (!recs.piece_list[WHITE][KING_RECORD].alive || !recs.piece_list[BLACK][KING_RECORD].alive)
        return "bad position: each side needs exactly one king";
    if (!std::strcmp(fields[1], "w")) {
        pos.side = WHITE;
    } else if (!std::strcmp(fields[1], "b")) {
        pos.side = BLACK;
    } else {
        return "bad FEN: side to move is not 'w' or 'b'";
    }
    pos.xside = pos.side ^ 1;
    if (const char* e = chess960 ? set_castling960(fields[2]) : set_castling(fields[2])) return e;
    if (const char* e = set_en_passant(fields[3])) return e;
    int counter = 0;
    pos.fifty = 0;
    if (count > 4)
        if (const char* e = read_counter(fields[4], &counter)) return e;
    pos.fifty = counter;
    if (count > 5)
        if (const char* e = read_counter(fields[5], &counter)) return e;
    if (find_checker(pos.side) != 0) return "bad position: the side not to move is in check";
    return nullptr;
}

}  // namespace

int set_position_from_fen(const char* fen, const char** error, int new_game, int chess960) {
    const char* e = setup(fen, chess960);
    if (e) {
        if (error) *error = e;
        return 0;
    }
    finish_set_up(new_game);
    return 1;
}
