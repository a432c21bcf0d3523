// Moves as coordinate text: the from-square and the to-square as file letter
// and rank digit, castling as the king's two-square move (in Chess960 as the
// king taking its own rook: e1h1), en passant as the pawn's own squares, and
// a promotion with the letter of the new piece.
#include <cstdio>

#include "board/board.h"

namespace {

constexpr char promotion_letter(int kind) {
    return kind == KNIGHT ? 'n' : kind == BISHOP ? 'b' : kind == ROOK ? 'r' : 'q';
}

// The square bytes are read as signed and shifted arithmetically, so the
// move 0 reads as a8a8 and no square is ever rejected here. `separator`
// stands between the squares and a promotion letter ("" or ",").
const char* format_move(Move m, const char* separator) {
    const int from = int8_t(move_from(m));
    // A Chess960 castling names its rook's square rather than the king's
    // destination, which may be the king's own square or one an ordinary
    // king move reaches too.
    const int to = pos.chess960 && (move_flags(m) & MOVE_CASTLE) ? pos.castle_rook[castle_right_index(move_to(m))]
                                                                  : int8_t(move_to(m));
    const int length = std::snprintf(recs.text_buffer, sizeof recs.text_buffer, "%c%d%c%d", 'a' + (from & 7),
                                     8 - (from >> 4), 'a' + (to & 7), 8 - (to >> 4));
    if (move_flags(m) & MOVE_PROMOTE)
        std::snprintf(recs.text_buffer + length, sizeof recs.text_buffer - size_t(length), "%s%c", separator,
                      promotion_letter(move_promote(m)));
    return recs.text_buffer;
}

}  // namespace

const char* move_text(Move m) { return format_move(m, ","); }

const char* long_algebraic(Move m) { return m ? format_move(m, "") : "0000"; }
