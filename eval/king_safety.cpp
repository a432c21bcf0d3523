// King safety in the middlegame: the pawn shelter of a castled king, enemy
// pawn storms and the king's square, scaled by the enemy's attacking
// material; the centralisation table for when that material is gone; and
// the blocked king file.
#include "eval/eval_terms.h"

// By square64 seen from WHITE: a king belongs on its back row, best beside
// the corner.
const int king_table[64] = {
    -8, -8, -8, -8, -8, -8, -8, -8,
    -8, -8, -8, -8, -8, -8, -8, -8,
    -8, -8, -8, -8, -8, -8, -8, -8,
    -8, -8, -8, -8, -8, -8, -8, -8,
    -8, -8, -8, -8, -8, -8, -8, -8,
    -8, -8, -8, -8, -8, -8, -8, -8,
    -4, -4, -4, -4, -4, -4, -4, -4,
     4,  5,  4,  0,  0,  4,  5,  4,
};

// By square64, both colours: a king without enemy attackers heads for the centre.
const int king_end_table[64] = {
     0, 10, 15, 20, 20, 15, 10,  0,
    10, 20, 25, 30, 30, 25, 20, 10,
    15, 25, 35, 40, 40, 35, 25, 15,
    20, 30, 40, 45, 45, 40, 30, 20,
    20, 30, 40, 45, 45, 40, 30, 20,
    15, 25, 35, 40, 40, 35, 25, 15,
    10, 20, 25, 30, 30, 25, 20, 10,
     0, 10, 15, 20, 20, 15, 10,  0,
};

namespace {

constexpr int START_ROW[2] = {6, 1};     // the pawns' starting row
constexpr int STEPPED_ROW[2] = {5, 2};   // one step from it
constexpr int STORM_BOUNDARY[2] = {3, 4};  // a storming pawn of this colour on its last row before the own half

// Shelter of one file: by its rearmost own pawn, outer files weigh more.
int shelter_file(int c, int file, bool outer) {
    const int row = rear(c, file);
    if (row == START_ROW[c]) return outer ? 6 : 4;
    if (row == STEPPED_ROW[c]) return outer ? 3 : 2;
    if (row != PAWN_NONE[c] || has_pawn_on(c ^ 1, file)) return 0;
    return outer ? -8 : -5;
}

}  // namespace

int king_safety(int c) {
    const int e = c ^ 1, kf = ev.king_file[c];
    // 1. where the king stands decides which terms apply
    int v = 0;
    if (kf == 3 || kf == 4) {
        // 2. centre king: open files around it
        for (int f = kf - 1; f <= kf + 1; ++f)
            if (!has_pawn_on(c, f) && !has_pawn_on(e, f)) v -= 2;
    } else {
        // 3. wing king: the three shelter files, outer a b / h g, inner c / f
        const int outer1 = kf <= 2 ? 0 : 7, outer2 = kf <= 2 ? 1 : 6, inner = kf <= 2 ? 2 : 5;
        v += shelter_file(c, outer1, true) + shelter_file(c, outer2, true) + shelter_file(c, inner, false);
        ev.king_shelter[c] = v - 16;
        // 4. enemy pawns storming the shelter files in the own half
        const int kings_apart = kf - ev.king_file[e] < 0 ? ev.king_file[e] - kf : kf - ev.king_file[e];
        const int files[3] = {outer1, outer2, inner};
        for (int f : files) {
            if (!has_pawn_on(e, f)) continue;
            const int row = rear(e, f);
            if (c == WHITE ? row < 4 : row > 3) continue;
            const bool boundary = row == STORM_BOUNDARY[e];
            if (kings_apart <= 3)
                v -= boundary ? 1 : 2;
            else
                v -= boundary ? 2 : 3;
        }
    }
    // 5. the king's square
    v += king_table[own_index64(c, pos.king_square[c])];
    // 6. as dangerous as the enemy's pieces
    return pos.piece_material[e] * v / 650;
}

int blocked_king_file(int c) {
    const int e = c ^ 1, k = pos.king_square[c];
    if (square_row(k) != BACK_ROW[c]) return 0;
    const int x = k + 2 * FORWARD[c], y = k + FORWARD[c];
    const PieceRecord* lodged = pos.board[x];
    if (!lodged || lodged->color != e || (lodged->kind != PAWN && lodged->kind != BISHOP)) return 0;
    if (!pos.board[y] || pos.board[y]->color != c || pos.board[y]->kind != PAWN || pawn_guard(x, c)) return 0;
    const bool attacked = pawn_guard(x, e) != 0;
    if (ev.king_file[c] >= 2 && ev.king_file[c] <= 5) return attacked ? -5 : -3;
    return attacked ? -7 : -4;
}
