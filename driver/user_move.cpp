// The opponent's move text ("e2e4", "e7e8q") turned into an entry of the
// ply-0 list.
#include "driver/driver.h"

// Squares come from one formula, 16 * (8 - rank) + file for a lower-case
// file letter and a digit. Other characters mostly give numbers outside
// 0..119 or squares no move uses, but not always: a letter 16 places past
// the file with a digit one lower names the same square ("u3" is e2), so
// "u3e4" is read as e2e4. Characters past the fifth are never looked at.
int parse_user_move(const char* line) {
    int c[4];
    for (int i = 0; i < 4; ++i) {
        c[i] = int8_t(line[i]);
        if (c[i] == 0) return -1;  // a line shorter than four characters names no move
    }
    const int from = c[0] - 16 * c[1] + 799, to = c[2] - 16 * c[3] + 799;
    if (to == from || from < 0 || from > 119 || to < 0 || to > 119) return -1;
    for (int i = first_move[0]; i < last_move[0]; ++i) {
        const Move m = move_list[i].move;
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
