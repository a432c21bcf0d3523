// The opponent's move text ("e2e4", "e7e8q") turned into an entry of the
// ply-0 list.
#include "xboard/xboard.h"

namespace {

// A lower-case file letter a-h followed by a rank digit 1-8.
bool is_square_text(const char* text) {
    return text[0] >= 'a' && text[0] <= 'h' && text[1] >= '1' && text[1] <= '8';
}

}  // namespace

// Squares come from one formula, 16 * (8 - rank) + file. It is applied only
// to a file letter a-h and a rank digit 1-8: other characters would map onto
// real squares too ("E2" reads as e6, "u3" as e2), and a mistyped move would
// then be played as a different one. Characters past the fifth are never
// looked at.
int parse_user_move(const char* line) {
    if (!is_square_text(line) || !is_square_text(line + 2)) return -1;
    const int from = line[0] - 16 * line[1] + 799, to = line[2] - 16 * line[3] + 799;
    if (to == from) return -1;
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i) {
        const Move m = pos.move_list[i].move;
        if (move_from(m) != from || move_to(m) != to) continue;
        if (!(move_flags(m) & MOVE_PROMOTE)) return i;
        int wanted;
        switch (line[4]) {
            case 'n': wanted = KNIGHT; break;
            case 'b': wanted = BISHOP; break;
            case 'r': wanted = ROOK; break;
            case 'q': wanted = QUEEN; break;
            default: return -1;  // no default promotion piece
        }
        if (move_promote(m) == wanted) return i;
    }
    return -1;
}
