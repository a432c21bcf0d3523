// The endgame evaluation (game phase 3): its own complete term set around
// passed pawns and king activity. Pieces are drawn toward the action square
// between the kings and the passers, support the own passer, watch the
// enemy passer's stop square and cut the enemy king off.
#include <cassert>

#include "eval/eval_terms.h"

namespace {

inline int stop_square(int c, int passer) { return passer + FORWARD[c]; }

// Line test against a passer and its stop square; false when there is no passer.
bool sees_passer(int s, int passer, int c, int bit) {
    return passer && (lines_up(passer, s, bit) || lines_up(stop_square(c, passer), s, bit));
}
bool sees_stop(int s, int passer, int c, int bit) { return passer && lines_up(stop_square(c, passer), s, bit); }

// The terms of the passer of colour c on square p; adds its row and file
// to the action-square sums.
int passer_terms(int c, int p, int* n, int* rowsum, int* filesum) {
    const int e = c ^ 1, own_king = pos.king_square[c], enemy_king = pos.king_square[e];
    *n += 1;
    *rowsum += square_row(p);
    *filesum += square_file(p);
    int v = pawn_guard(stop_square(c, p), c) ? 3 : 0;
    // the enemy king is not yet beyond the stop square's row
    const bool not_beyond = c == WHITE ? square_row(enemy_king) >= square_row(p) - 1
                                       : square_row(enemy_king) <= square_row(p) + 1;
    if (not_beyond) v += 2 * distance(enemy_king, p);
    v += king_adjacent(own_king - p) ? 7 : -distance(own_king, p);
    return v;
}

int endgame_piece(const PieceRecord* r, const bool queen_alive[2]) {
    const int c = r->color, e = c ^ 1, s = r->square;
    const int own_king = pos.king_square[c], enemy_king = pos.king_square[e];
    const int p = ev.best_passer[c], q = ev.best_passer[e];
    const int f = square_file(s);
    int v = 0;
    switch (r->kind) {
        case KNIGHT:
            v += knight_table[square64(s)] - distance(s, ev.action_square);
            if (sees_passer(s, p, c, ATTACK_KNIGHT)) v += 3;
            if (sees_stop(s, q, e, ATTACK_KNIGHT)) v += 3;
            v += 2 * lone_bishop_opposite(s, e);
            break;
        case BISHOP:
            v += knight_table[square64(s)];
            if (queen_alive[e] && lines_up(own_king, s, ATTACK_BISHOP)) v += 3;
            if (lines_up(enemy_king, s, ATTACK_BISHOP)) v += 6;
            for (int slot = SLOT_ROOK; slot <= SLOT_QUEEN; ++slot) {
                const PieceRecord* t = piece_slot(e, slot);
                if (t->alive && lines_up(t->square, s, ATTACK_BISHOP)) v += 4;
            }
            if (sees_passer(s, p, c, ATTACK_BISHOP)) v += 3;
            if (sees_stop(s, q, e, ATTACK_BISHOP)) v += 3;
            break;
        case ROOK: {
            const PieceRecord* enemy_queen = piece_slot(e, SLOT_QUEEN);
            if (queen_alive[e] && (lines_up(own_king, s, ATTACK_ROOK) ||
                                   (king_adjacent(own_king - s) && lines_up(own_king, s, ATTACK_BISHOP))))
                v += 3;
            const PieceRecord* second = piece_slot(c, SLOT_ROOK + 1);
            if (r == piece_slot(c, SLOT_ROOK) && second->alive && king_adjacent(second->square - s)) v += 6;
            v += 3 * lone_bishop_opposite(s, e);
            if (lines_up(enemy_king, s, ATTACK_ROOK)) v += 6;
            if (enemy_queen->alive && lines_up(enemy_queen->square, s, ATTACK_ROOK)) v += 4;
            const bool own_pawn = has_pawn_on(c, f), enemy_pawn = has_pawn_on(e, f);
            if (!own_pawn && !enemy_pawn) v += 7;
            if (own_pawn && enemy_pawn) v -= 5;
            if (rook_trapped(c, s)) v -= TRAPPED_ROOK;
            const int kf = ev.king_file[e];
            if (square_row(s) == (c == WHITE ? 1 : 6) && square_row(enemy_king) == BACK_ROW[e]) {
                v += 30;
            } else if (q) {
                // between the enemy king and the own back row; across the enemy passer's path
                const int d = c == WHITE ? square_row(s) - square_row(enemy_king) : square_row(enemy_king) - square_row(s);
                if (d > 0) v += d == 1 ? 10 : 7;
                const int qf = square_file(q);
                if (kf - qf > 1 && qf < f && f < kf) v += 7;
                if (kf - qf < -1 && kf < f && f < qf) v += 7;
            }
            if (p) {
                if (sees_passer(s, p, c, ATTACK_ROOK)) v += 3;
                const int pf = square_file(p);
                if (kf - pf > 1 && pf < f && f < kf) v += 15;
                if (kf - pf < -1 && kf < f && f < pf) v += 15;
            }
            if (sees_stop(s, q, e, ATTACK_ROOK)) v += 3;
            break;
        }
        default:  // QUEEN
            if (queen_alive[e] && lines_up(own_king, s, ATTACK_QUEEN)) v += 5;
            v += 5 * lone_bishop_opposite(s, e);
            if (lines_up(enemy_king, s, ATTACK_QUEEN)) v += 6;
            if (sees_passer(s, p, c, ATTACK_QUEEN)) v += 3;
            if (sees_stop(s, q, e, ATTACK_QUEEN)) v += 3;
            break;
    }
    return v;
}

}  // namespace

int endgame_evaluate() {
    // 1. connected pawns; the pawn table's entry also sets pawn_rear
    int score[2] = {0, 0};
    ev.best_passer[WHITE] = ev.best_passer[BLACK] = 0;
    uint64_t pawn_sets[2];
    uint32_t promoted[2];
    scan_pawn_records(pawn_sets, promoted);
    const PawnEntry& pawn_terms = pawn_entry(pawn_sets);
    score[pos.side] += pawn_entry_duos(pawn_terms, true);

    // 2. the queens still on the board
    const bool queen_alive[2] = {piece_slot(WHITE, SLOT_QUEEN)->alive != 0, piece_slot(BLACK, SLOT_QUEEN)->alive != 0};

    // 3. bishop pair, +6 more side by side off the back row
    for (int c = WHITE; c <= BLACK; ++c) {
        if (!set_bishop_code(c)) continue;
        score[c] += BISHOP_PAIR;
        const int a = piece_slot(c, SLOT_BISHOP)->square, b = piece_slot(c, SLOT_BISHOP + 1)->square;
        const bool off_back_row = c == WHITE ? a < 112 && b < 112 : a > 7 && b > 7;
        if (off_back_row && king_adjacent(a - b)) score[c] += 6;
    }

    // 4. pawns, which also find the best passers
    assert(pawn_entry_ok(pawn_terms, true));
    for (int c = WHITE; c <= BLACK; ++c) {
        score[c] += pawn_entry_points(pawn_terms, c, true);
        if (!queen_alive[c ^ 1]) continue;
        // pawns beside the own king
        for (int i = 0; i < PAWN_RECORDS; ++i) {
            const PieceRecord& r = recs.piece_list[c][i];
            if (r.alive && r.kind == PAWN && king_adjacent(r.square - pos.king_square[c])) score[c] += 3;
        }
    }

    // 5. the best passers, and the action square between them and the kings
    int n = 0, rowsum = 0, filesum = 0;
    for (int c = WHITE; c <= BLACK; ++c)
        if (ev.best_passer[c]) score[c] += passer_terms(c, ev.best_passer[c], &n, &rowsum, &filesum);
    const int w = pos.king_square[WHITE], b = pos.king_square[BLACK];
    ev.action_square = ((square_row(w) + square_row(b) + rowsum) / (n + 2)) * 16 +
                    (square_file(w) + square_file(b) + filesum) / (n + 2);

    // 6. kings
    for (int c = WHITE; c <= BLACK; ++c) {
        score[c] += king_end_table[square64(pos.king_square[c])];
        score[c] += 5 * lone_bishop_opposite(pos.king_square[c], c ^ 1);
    }

    // 7. trade bonus
    add_trade_bonus(score);

    // 8. pieces of a colour that has any material
    for (int c = WHITE; c <= BLACK; ++c) {
        if (pos.material[c] == 0) continue;
        for (uint32_t records = SLOT_PIECE_RECORDS | promoted[c]; records; records &= records - 1) {
            const PieceRecord* r = &recs.piece_list[c][__builtin_ctz(records)];
            if (r->alive) score[c] += endgame_piece(r, queen_alive);
        }
    }

    // 9. the score for the side to move
    return score[pos.side] - score[pos.xside];
}
