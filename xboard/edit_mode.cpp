// Set-up mode ("edit"): the front end clears the board with "#", places men
// with lines such as "Pe4" (colour toggled by "c"), and ends with ".".
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "xboard/xboard.h"

namespace {

int kind_of_letter(char letter) {
    switch (letter) {
        case 'K': return KING;
        case 'Q': return QUEEN;
        case 'R': return ROOK;
        case 'B': return BISHOP;
        case 'N': return KNIGHT;
        case 'P': return PAWN;
        default: return -1;
    }
}

// "Pe4": the letter, then the square; the square is tested first.
void place(const char* line, int color) {
    const int file = line[1] - 'a', rank = line[2] - '0';
    const int square = 16 * (8 - rank) + file;
    if (file < 0 || file > 7 || square < 0 || square > 127 || !on_board(square))
        fatal_exit("edit bug 1");
    if (line[0] == 'x') {
        remove_piece(square);
        return;
    }
    const int kind = kind_of_letter(line[0]);
    if (kind < 0) fatal_exit("edit bug 2");
    // A pawn on the first or last rank is left out, as when no record is
    // free: no game reaches it, and the pawn terms would look past the board
    // for the square in front of a pawn standing on its promotion rank.
    if (kind == PAWN && (square_row(square) == 0 || square_row(square) == 7)) return;
    place_piece(kind, color, square);  // no free record: the man is left out
}

bool man_is(int square, int kind, int color) {
    return pos.board[square] && pos.board[square]->kind == kind && pos.board[square]->color == color;
}

// Rights follow from the placement: a king and a rook on their home squares.
int castling_from_placement() {
    int flags = 0;
    if (man_is(E1, KING, WHITE) && man_is(A1, ROOK, WHITE)) flags |= CASTLE_WHITE_QUEEN;
    if (man_is(E1, KING, WHITE) && man_is(H1, ROOK, WHITE)) flags |= CASTLE_WHITE_KING;
    if (man_is(E8, KING, BLACK) && man_is(A8, ROOK, BLACK)) flags |= CASTLE_BLACK_QUEEN;
    if (man_is(E8, KING, BLACK) && man_is(H8, ROOK, BLACK)) flags |= CASTLE_BLACK_KING;
    return flags;
}

// The new position starts a game of its own: no history, no heuristics.
void install_position() {
    clear_search_tables();
    pos.ep_square = -1;
    pos.fifty = 0;
    pos.castle_flags = castling_from_placement();
    finish_set_up(1);
    generate_root_moves();
}

}  // namespace

void edit_mode() {
    int color = WHITE;
    char line[LINE_SIZE], word[LINE_SIZE];
    for (;;) {
        if (!read_line(line)) quit_engine();
        if (line[0] == '\n' || std::sscanf(line, "%255s", word) != 1) continue;
        if (!std::strcmp(word, ".")) break;
        if ((word[0] == 'c' || word[0] == 'C') && word[1] == 0) {
            color ^= 1;
        } else if (!std::strcmp(word, "#")) {
            clear_board();
        } else {
            place(line, color);
        }
    }
    install_position();
}
