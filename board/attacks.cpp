// Attack and check tests, answered on demand from the piece lists and the
// difference tables: one lookup says whether a piece could reach a square at
// all, and only then a walk along its line checks the squares between.
#include "board/board.h"

namespace {

// Walks from `from` along the line toward x: 1 when x is reached before an
// occupied square.
int slides_to(int from, int x) {
    const int step = line_dir[x - from];
    int s = from + step;
    while (s != x) {
        if (pos.board[s]) return 0;
        s += step;
    }
    return 1;
}

// The first of two slot pieces that is alive and aligned with x (by the
// attack bit) is walked; the second is not tried when the first is blocked.
int first_aligned_slides(const PieceRecord* a, const PieceRecord* b, int x, int bit) {
    const PieceRecord* p = nullptr;
    if (a->alive && (attack_kind[x - a->square] & bit))
        p = a;
    else if (b->alive && (attack_kind[x - b->square] & bit))
        p = b;
    return p ? slides_to(p->square, x) : 0;
}

// The man of colour c on a pawn capture square next to x that attacks x
// from there (a pawn, bishop, queen or king), or null.
const PieceRecord* contact_diagonal_attacker(int x, int c) {
    for (int i = 0; i < 2; ++i) {
        const int s = x - pawn_dirs[c][i];
        if (!on_board(s) || !pos.board[s]) continue;
        const PieceRecord* r = pos.board[s];
        if (r->color == c && r->kind != KNIGHT && r->kind != ROOK) return r;
    }
    return nullptr;
}

}  // namespace

int pawn_target(int x, int c) {
    for (int i = 0; i < 2; ++i) {
        const int s = x + pawn_dirs[c][i];
        if (on_board(s) && pos.board[s]) return pos.board[s]->kind;
    }
    return 0;
}

int knight_slot_attacks(int x, int c) {
    for (int i = 0; i < 2; ++i) {
        const PieceRecord* n = piece_slot(c, SLOT_KNIGHT + i);
        if (n->alive && knight_step(x - n->square)) return 1;
    }
    return 0;
}

int knight_slot_attacks_except(int x, int c, int e) {
    for (int i = 0; i < 2; ++i) {
        const PieceRecord* n = piece_slot(c, SLOT_KNIGHT + i);
        if (n->square == e) continue;
        if (n->alive && knight_step(x - n->square)) return 1;
    }
    return 0;
}

int bishop_slot_attacks(int x, int c) {
    return first_aligned_slides(piece_slot(c, SLOT_BISHOP), piece_slot(c, SLOT_BISHOP + 1), x,
                                ATTACK_BISHOP);
}

int rook_slot_attacks(int x, int c) {
    return first_aligned_slides(piece_slot(c, SLOT_ROOK), piece_slot(c, SLOT_ROOK + 1), x,
                                ATTACK_ROOK);
}

int queen_slot_attacks(int x, int c) {
    const PieceRecord* q = piece_slot(c, SLOT_QUEEN);
    return q->alive && (attack_kind[x - q->square] & ATTACK_QUEEN) && slides_to(q->square, x);
}

int xray_attack(int c, int from, int to) {
    const int step = line_dir[from - to];
    int s = from + step;
    while (on_board(s) && !pos.board[s]) s += step;
    if (!on_board(s)) return 0;
    const PieceRecord* r = pos.board[s];
    if (r->color != c) return 0;
    switch (r->kind) {
        case QUEEN: return 1;
        case ROOK: return (attack_kind[s - from] & ATTACK_ROOK) != 0;
        case BISHOP: return (attack_kind[s - from] & ATTACK_BISHOP) != 0;
        default: return 0;
    }
}

// Any man of colour c attacks x: the pawns on the squares from which a
// pawn attacks x, the knights and the king a step away, and the bishops,
// rooks and queens on a line to x with nothing between.
int square_attacked(int x, int c) {
    const int i = square64(x);
    const uint64_t* men = pos.kind_men[c];
    if (men[PAWN] & pawn_reach[c ^ 1][i]) return 1;
    if ((men[KNIGHT] & piece_reach[KNIGHT][i]) | (men[KING] & piece_reach[KING][i])) return 1;
    uint64_t lines = ((men[BISHOP] | men[QUEEN]) & piece_reach[BISHOP][i]) |
                     ((men[ROOK] | men[QUEEN]) & piece_reach[ROOK][i]);
    for (; lines; lines &= lines - 1)
        if (clear_path(x, square_of64(lowest_square64(lines)))) return 1;
    return 0;
}

// Most positions have no check: the square sets say so at once. Only an
// attacked king needs the walk that names the first checker in list order.
int find_checker(int c) {
    const int k = recs.piece_list[c ^ 1][KING_RECORD].square;
    pos.block_mask = 0;
    pos.checker_square = -1;
    if (!square_attacked(k, c)) return 0;
    if (const PieceRecord* r = contact_diagonal_attacker(k, c)) {
        if (r->kind == KING) return -1;
        pos.checker_square = r->square;
        return 1;
    }
    for (const PieceRecord* r = recs.piece_list[c]; r->kind < END_OF_LIST; ++r) {
        if (r->kind == PAWN || !r->alive) continue;
        if (!(attack_bit[r->kind] & attack_kind[k - r->square])) continue;
        if (!is_slider[r->kind]) {
            if (r->kind == KING) return -1;
            pos.checker_square = r->square;
            return 1;
        }
        if (!slides_to(r->square, k)) continue;
        pos.checker_square = r->square;
        const int step = line_dir[k - r->square];
        for (int s = k - step; s != r->square; s -= step) pos.block_mask |= square_bit(s);
        return 2;
    }
    return 0;
}
