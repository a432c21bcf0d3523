// Pawn structure: the rearmost pawn of each file (read by the piece and king
// terms too), connected pairs on neighbouring files, and each pawn's own
// points: placement, isolated, backward and lagging pawns, passed pawns and,
// in the endgame, the most advanced passer of each colour.
#include <cstdlib>

#include "eval/eval_terms.h"

int pawn_rear[2][10];
int best_passer[2];

namespace {

// pawn_table by square64 seen from WHITE, row 0 (the promotion row) first.
constexpr int pawn_table[64] = {
    0,  0,  0,   0,   0,  0,  0, 0,
    5, 10, 15,  20,  20, 15, 10, 5,
    4,  8, 12,  16,  16, 12,  8, 4,
    3,  6,  9,  12,  12,  9,  6, 3,
    2,  4,  6,   8,   8,  6,  4, 2,
    1,  2,  3, -10, -10,  3,  2, 1,
    0,  0,  0, -40, -40,  0,  0, 0,
    0,  0,  0,   0,   0,  0,  0, 0,
};

// Row a is ahead of row b (nearer the enemy back row) for colour c. A file
// without own pawns therefore counts as ahead (WHITE's none, -1, lies above
// every row, BLACK's, 8, below), as the backward test wants, while a file
// without enemy pawns is never ahead of a pawn of the other colour, as the
// passed-pawn tests want.
inline bool ahead(int c, int a, int b) { return c == WHITE ? a < b : a > b; }

// Rebuilds pawn_rear of both colours and returns the connected-pair points
// of side minus xside. A pair on neighbouring files, abreast or one row
// apart, scores by its leading pawn's advance: adv - 1 in the middlegame,
// 2 * adv in the endgame.
int duos(bool endgame) {
    int total[2] = {0, 0};
    for (int c = WHITE; c <= BLACK; ++c) {
        for (int f = 0; f < 10; ++f) pawn_rear[c][f] = PAWN_NONE[c];
        int on_file[8][9];  // squares of the colour's pawns per file, zero-terminated
        int count[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        for (int i = 0; i < PAWN_RECORDS; ++i) {
            const PieceRecord& r = piece_list[c][i];
            if (!r.alive || r.kind != PAWN) continue;
            const int f = square_file(r.square), row = square_row(r.square);
            if (ahead(c, pawn_rear[c][f + 1], row)) pawn_rear[c][f + 1] = row;
            on_file[f][count[f]++] = r.square;
        }
        for (int f = 0; f < 7; ++f) {
            for (int i = 0; i < count[f]; ++i) {
                for (int j = 0; j < count[f + 1]; ++j) {
                    const int a = on_file[f][i], b = on_file[f + 1][j], d = a - b;
                    if (d != -1 && d != -17 && d != 15) continue;
                    const int adv_a = advance(c, square_row(a)), adv_b = advance(c, square_row(b));
                    const int lead = adv_a > adv_b ? adv_a : adv_b;
                    total[c] += endgame ? 2 * lead : lead - 1;
                }
            }
        }
    }
    return total[side] - total[xside];
}

}  // namespace

int pawn_duos() { return duos(false); }

int pawn_duos_endgame() { return duos(true); }

int evaluate_pawn(int c, int sq) {
    const int e = c ^ 1;
    const int row = square_row(sq), f = square_file(sq), adv = advance(c, row);
    const int left = rear(c, f - 1), right = rear(c, f + 1);

    // 1. placement
    int v = game_phase < 3 ? pawn_table[own_index64(c, sq)] : 4 * adv;

    // 2. the left neighbour's rearmost pawn lags behind this one
    if (left != PAWN_NONE[c] && ahead(c, row, left)) v -= 10;

    // 3. isolated, or backward (every neighbouring own pawn is ahead)
    if (left == PAWN_NONE[c] && right == PAWN_NONE[c])
        v -= 20;
    else if (ahead(c, left, row) && ahead(c, right, row))
        v -= 8;

    // 4. an enemy pawn on a neighbouring file can still meet it
    if (ahead(c, rear(e, f - 1), row) || ahead(c, rear(e, f + 1), row)) return v;

    // 5. an enemy pawn ahead on its own file
    const int front = rear(e, f);
    if (front == row || ahead(c, front, row)) return v + (game_phase < 3 ? 5 : 10);

    // 6. passed: by its advance, a little less when its stop square is held
    v += (board[sq + FORWARD[c]] ? 18 : 20) * adv;

    if (game_phase == 3) {
        // 7. a lone bishop that cannot (or can) cover the promotion square
        const int promotion_code = 2 + square_colour(make_square(BACK_ROW[e], f));
        if ((promotion_code ^ bishop_code[e]) == 1)
            v += 2 * adv;
        else if ((bishop_code[c] == 2 || bishop_code[c] == 3) && (promotion_code ^ bishop_code[c]) == 1)
            v -= adv;

        // the most advanced passer; on one row the one farther from the enemy king
        const int best = best_passer[c];
        if (best == 0 || adv > advance(c, square_row(best)))
            best_passer[c] = sq;
        else if (square_row(best) == row &&
                 std::abs(f - king_file[e]) > std::abs(square_file(best) - king_file[e]))
            best_passer[c] = sq;
    }
    return v;
}
