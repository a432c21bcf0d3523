// Middlegame terms of knights, bishops, rooks and queens, applied one piece
// at a time by the driver's piece loop: placement, outposts, traps, open
// files, alignments with the kings, and the pressure on an exposed king.
#include "eval/eval_terms.h"

namespace {

// Knights and bishops in the opening, by square64 seen from WHITE. Its last
// row punishes undeveloped minor pieces harder than knight_table does.
constexpr int knight_table_opening[64] = {
    -15, -10, -10, -10, -10, -10, -10, -15,
    -10,   0,   0,   2,   2,   0,   0, -10,
    -10,   0,   2,   5,   5,   2,   0, -10,
    -10,   2,   5,  10,  10,   5,   2, -10,
    -10,   2,   5,  10,  10,   5,   2, -10,
    -10,   0,   2,   5,   5,   2,   0, -10,
    -10,   0,   0,   2,   2,   0,   0, -10,
    -20, -20, -15, -15, -15, -15, -20, -20,
};

constexpr int EXPOSED_KING = -9;  // king_shelter at or below this marks an exposed king

inline int half(int s) { return square_file(s) >> 2; }
inline bool exposed(int c) { return ev.king_shelter[c] <= EXPOSED_KING; }
// The rows 0-1 (WHITE piece) or 6-7 (BLACK piece) of the enemy camp.
inline bool in_enemy_two_rows(int c, int s) { return c == WHITE ? s < 24 : s >= 96; }
inline bool in_enemy_three_rows(int c, int s) { return c == WHITE ? s < 40 : s >= 80; }
inline bool guarded(int c, int s) { return pawn_guard(s, c) != 0; }
inline bool holds(int s, int kind, int color) {
    return on_board(s) && pos.board[s] && pos.board[s]->kind == kind && pos.board[s]->color == color;
}
inline bool alive_on_line(const PieceRecord* p, int s, int bit) { return p->alive && lines_up(p->square, s, bit); }

// No enemy pawn on a neighbouring file can ever attack square s.
bool outpost(int c, int s) {
    const int e = c ^ 1, row = square_row(s), f = square_file(s);
    if (c == WHITE) return rear(e, f - 1) >= row && rear(e, f + 1) >= row;
    return rear(e, f - 1) <= row && rear(e, f + 1) <= row;
}

// Table placement of a knight or bishop, with the opening's penalty for a
// minor piece left at home while its queen is out.
int minor_placement(int c, int s) {
    if (ev.game_phase != 1) return knight_table[square64(s)];
    const int home = ev.queen_out[c] && square_row(s) == BACK_ROW[c] ? -5 : 0;
    return home + knight_table_opening[own_index64(c, s)];
}

void count_quadrant(int c, int s, int weight) {
    const int q = quadrant_of(s);
    if (q == ev.king_quadrant[c]) ev.quadrant_count[c] += weight;
    if (q == ev.king_quadrant[c ^ 1]) ev.quadrant_count[c ^ 1] -= weight;
}

// -(shelter / 8, rounded down) for a piece near an exposed enemy king.
inline int attack_bonus(int e) { return -floor_shift(ev.king_shelter[e], 3); }
// shelter / 8, rounded down (a penalty) for a piece away from its own exposed king.
inline int stray_penalty(int c) { return floor_shift(ev.king_shelter[c], 3); }

// The own queen touches square s along a diagonal (bit ATTACK_BISHOP) or a
// rank or file (ATTACK_ROOK).
bool queen_adjacent(int c, int s, int bit) {
    const PieceRecord* q = piece_slot(c, SLOT_QUEEN);
    return q->alive && king_adjacent(q->square - s) && lines_up(q->square, s, bit);
}

// A bishop (bit ATTACK_BISHOP) or rook (ATTACK_ROOK) in the quarter of an
// exposed enemy king presses it, 6 more with the own queen beside it along
// the piece's lines; elsewhere the queen beside it is worth 3.
template <int bit>
int quarter_attack(int c, int s) {
    const int e = c ^ 1;
    const bool queen_by = queen_adjacent(c, s, bit);
    if (exposed(e) && quadrant_of(s) == ev.king_quadrant[e]) return attack_bonus(e) + (queen_by ? 6 : 0);
    return queen_by ? 3 : 0;
}

}  // namespace

bool rook_trapped(int c, int s) {
    const int trap_row = c == WHITE ? 6 : 1;
    for (int corner_file = 0; corner_file <= 7; corner_file += 7) {
        const int corner = make_square(trap_row, corner_file), in = corner_file ? -1 : 1;
        if (s == corner && holds(corner + in, BISHOP, c ^ 1) && holds(corner + FORWARD[c], PAWN, c ^ 1)) return true;
    }
    return false;
}

int evaluate_knight(const PieceRecord* r) {
    const int c = r->color, e = c ^ 1, s = r->square;
    const int enemy_king = pos.king_square[e];
    const bool guard = guarded(c, s);
    // 1. placement
    int v = minor_placement(c, s);
    // 2. out of reach of the enemy's lone bishop
    v += lone_bishop_opposite(s, e);
    // 3. the pair a knight step apart
    const PieceRecord* second = piece_slot(c, SLOT_KNIGHT + 1);
    if (r == piece_slot(c, SLOT_KNIGHT) && second->alive && knight_step(second->square - s)) v += 2;
    // 4. guarded by a pawn
    if (guard) v += 1;
    // 5. on the wing of an exposed enemy king
    if (exposed(e) && half(s) == half(enemy_king)) v += attack_bonus(e);
    // 6. deep in the enemy camp near its king, or on an outpost
    const int near = distance(s, enemy_king) <= NEAR_KING;
    if (in_enemy_two_rows(c, s)) {
        if (near) v += guard ? 8 : 4;
    } else if (outpost(c, s)) {
        v += guard ? (near ? 8 : 6) : 4;
    }
    // 7. an unguarded knight in front of an enemy pawn can be trapped
    if (!guard && in_enemy_three_rows(c, s) && holds(s - FORWARD[c], PAWN, e)) {
        v += in_enemy_two_rows(c, s) ? -30 : -20;
        for (int beside = s - 1; beside <= s + 1; beside += 2)
            if (on_board(beside) && !holds(beside, PAWN, e)) v += 7;
    }
    // 8. away from an exposed own king
    if (exposed(c) && half(s) != half(pos.king_square[c])) v += stray_penalty(c);
    // 9. one more man in the quarters of the kings
    count_quadrant(c, s, 1);
    return v;
}

int evaluate_bishop(const PieceRecord* r) {
    const int c = r->color, e = c ^ 1, s = r->square;
    const int enemy_king = pos.king_square[e];
    const bool guard = guarded(c, s);
    const int near = distance(s, enemy_king) <= NEAR_KING;
    // 1. guarded by a pawn
    int v = guard ? 1 : 0;
    // 2. the corner trap behind two enemy pawns, else depth and outposts
    if (in_enemy_two_rows(c, s)) {
        const int trap_row = c == WHITE ? 1 : 6;
        for (int corner_file = 0; corner_file <= 7; corner_file += 7) {
            const int corner = make_square(trap_row, corner_file), in = corner_file ? -1 : 1;
            if (s == corner && holds(corner + in, PAWN, e) && holds(corner + 2 * in, PAWN, e) &&
                !pawn_guard(corner + in - FORWARD[c], c))
                return v - 40;
        }
        v += guard ? (near ? 6 : 4) : (near ? 2 : 0);
    } else if (outpost(c, s)) {
        v += guard ? (near ? 6 : 4) : 2;
    }
    // 3. placement
    v += minor_placement(c, s);
    // 4. in the quarter of an exposed enemy king, the more with the queen beside it
    v += quarter_attack<ATTACK_BISHOP>(c, s);
    // 5. away from an exposed own king
    if (exposed(c) && quadrant_of(s) != ev.king_quadrant[c]) v += stray_penalty(c);
    // 6. diagonals to the enemy king, queen and rooks, blockers ignored
    if (lines_up(enemy_king, s, ATTACK_BISHOP)) v += 3;
    for (int slot = SLOT_ROOK; slot <= SLOT_QUEEN; ++slot)
        if (alive_on_line(piece_slot(e, slot), s, ATTACK_BISHOP)) v += 2;
    // 7. one more man in the quarters of the kings
    count_quadrant(c, s, 1);
    return v;
}

int evaluate_rook(const PieceRecord* r) {
    const int c = r->color, e = c ^ 1, s = r->square;
    const int f = square_file(s), row = square_row(s);
    const int enemy_king = pos.king_square[e];
    int v = 0;
    // 1. a rook on the own back row guards it
    if (row == BACK_ROW[c]) ev.back_rank_guard[c] += 2;
    // 2. open and half-open files; a rook shut in by its uncastled king
    if (!has_pawn_on(c, f)) {
        v += has_pawn_on(e, f) ? 10 : 15;
    } else {
        const int rights = c == WHITE ? CASTLE_WHITE_QUEEN | CASTLE_WHITE_KING : CASTLE_BLACK_QUEEN | CASTLE_BLACK_KING;
        const int kf = ev.king_file[c];
        const bool behind_pawn = c == WHITE ? row > rear(c, f) : row < rear(c, f);
        if (!(pos.castle_flags & rights) && square_row(pos.king_square[c]) == BACK_ROW[c] && behind_pawn &&
            ((kf <= 2 && f < kf) || (kf >= 5 && f > kf)))
            return v + pos.piece_material[e] * 12 / -600;
    }
    // 3. the enemy's second row
    const int seventh = c == WHITE ? 1 : 6;
    if (row == seventh) v += 20;
    // 4. the rook caught in the corner by an enemy bishop and pawn
    if (rook_trapped(c, s)) return v - TRAPPED_ROOK;
    // 5. out of reach of the enemy's lone bishop
    v += 2 * lone_bishop_opposite(s, e);
    // 6. in the quarter of an exposed enemy king, the more with the queen beside it
    v += quarter_attack<ATTACK_ROOK>(c, s);
    // 7. connected rooks
    const PieceRecord* second = piece_slot(c, SLOT_ROOK + 1);
    if (r == piece_slot(c, SLOT_ROOK) && second->alive && king_adjacent(second->square - s) &&
        lines_up(second->square, s, ATTACK_ROOK))
        v += 4;
    // 8. ranks and files to the enemy king and queen, blockers ignored
    if (lines_up(enemy_king, s, ATTACK_ROOK)) v += 2;
    if (alive_on_line(piece_slot(e, SLOT_QUEEN), s, ATTACK_ROOK)) v += 1;
    // 9. one more man in the quarters of the kings
    count_quadrant(c, s, 1);
    return v;
}

int evaluate_queen(const PieceRecord* r) {
    const int c = r->color, e = c ^ 1, s = r->square;
    const int enemy_king = pos.king_square[e];
    // 1. the enemy back row needs a guard now; the own one has one
    ev.back_rank_guard[e] -= 2;
    if (square_row(s) == BACK_ROW[c]) ev.back_rank_guard[c] += 2;
    // 2. out of reach of the enemy's lone bishop
    int v = 3 * lone_bishop_opposite(s, e);
    // 3. on a line with the enemy king, and close to it in its camp
    if (lines_up(enemy_king, s, ATTACK_QUEEN)) v += 2;
    if (in_enemy_two_rows(c, s) && distance(s, enemy_king) <= NEAR_KING) v += 2;
    // 4. exposed kings
    if (exposed(e) && half(s) == half(enemy_king)) v += attack_bonus(e);
    if (exposed(c) && half(s) != half(pos.king_square[c])) v += stray_penalty(c);
    // 5. two more men in the quarters of the kings
    count_quadrant(c, s, 2);
    return v;
}
