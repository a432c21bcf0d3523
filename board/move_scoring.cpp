// Ordering scores given to moves as they are generated: a static guess at a
// move's worth from cheap tests, so that selection only has to pick the
// highest score. Captures that win or keep material return at once; the
// rest combine a penalty for a destination attacked by a cheaper enemy man,
// an escape bonus for a piece that stands attacked, bonuses for attacking
// valuable enemy pieces from the destination, placement, and the history.
#include "board/board.h"

namespace {

// Escape bonus of an attacked piece that moves, by kind.
constexpr int escape_bonus[6] = {0, 30000, 30000, 50000, 90000, 120000};
// Base of a quiet move by kind: added to the placement term of knights and
// bishops and to the threat of rooks and queens (pawns add their 50 apart).
constexpr int quiet_base[6] = {50, 25, 15, 5, 5, 0};

int own_king_adjacent(int to) { return king_adjacent(to - pos.king_square[pos.side]); }

// ---- the slot tests of attacks.cpp, answered from the square sets
// The same answers in fewer steps. Where the record order decides (both
// bishops or both rooks on a line to x: only the first record's line is
// walked), the record walk itself is asked.

// pawn_guard: a pawn of c stands where a pawn attacks x from.
bool pawn_guard_set(int x, int c) { return (pos.kind_men[c][PAWN] & pawn_reach[c ^ 1][square64(x)]) != 0; }

// knight_slot_attacks and knight_slot_attacks_except.
bool knight_slot_set(int x, int c) { return (slot_men(c, KNIGHT) & piece_reach[KNIGHT][square64(x)]) != 0; }
bool knight_slot_set_except(int x, int c, int e) {
    return (slot_men(c, KNIGHT) & piece_reach[KNIGHT][square64(x)] & ~square_bit(e)) != 0;
}

// bishop_slot_attacks and rook_slot_attacks.
bool pair_slot_set(int x, int c, int kind, int (*record_walk)(int, int)) {
    const uint64_t aligned = slot_men(c, kind) & piece_reach[kind][square64(x)];
    if (!aligned) return false;
    if (aligned & (aligned - 1)) return record_walk(x, c) != 0;
    return clear_path(x, square_of64(lowest_square64(aligned)));
}
bool bishop_slot_set(int x, int c) { return pair_slot_set(x, c, BISHOP, bishop_slot_attacks); }
bool rook_slot_set(int x, int c) { return pair_slot_set(x, c, ROOK, rook_slot_attacks); }

// queen_slot_attacks: the one slot queen.
bool queen_slot_set(int x, int c) {
    const uint64_t aligned = slot_men(c, QUEEN) & piece_reach[QUEEN][square64(x)];
    return aligned && clear_path(x, square_of64(lowest_square64(aligned)));
}

// xray_attack, and the same counting only bishops and rooks: the first man beyond `from`, on the far side
// from `to`, found as the nearest occupied square of the ray.
bool xray_set(int c, int from, int to, bool count_queen) {
    const int step = line_dir[from - to];
    const uint64_t beyond = line_ray[step][square64(from)] & pos.occupied;
    if (!beyond) return false;
    const int s = square_of64(step > 0 ? lowest_square64(beyond) : highest_square64(beyond));
    const PieceRecord* r = pos.board[s];
    if (r->color != c) return false;
    switch (r->kind) {
        case QUEEN: return count_queen;
        case ROOK: return (attack_kind[s - from] & ATTACK_ROOK) != 0;
        case BISHOP: return (attack_kind[s - from] & ATTACK_BISHOP) != 0;
        default: return false;
    }
}
bool xray_attack_set(int c, int from, int to) { return xray_set(c, from, to, true); }
bool xray_minor_set(int c, int from, int to) { return xray_set(c, from, to, false); }

// Attacked by the enemy's pawns, knights or bishops (the men that make a
// rook move to or from this square a loss).
bool minor_attacks(int x, int e) {
    return pawn_guard_set(x, e) || knight_slot_set(x, e) || bishop_slot_set(x, e);
}

// Walks the enemy list back from the king while the kind stays at or above
// `lowest`: the first alive record the piece would attack from `to`. The
// walk stops at the knights, so pieces in pawn records are never candidates.
// `reach` is the set of squares the piece's attack bit reaches from `to`:
// when none of those records stands in it, there is nothing to walk.
const PieceRecord* first_target(int to, int lowest, uint64_t reach, int bit, bool needs_path) {
    uint64_t candidates = 0;
    for (int kind = lowest; kind <= KING; ++kind) candidates |= slot_men(pos.xside, kind);
    if (!(candidates & reach)) return nullptr;
    for (const PieceRecord* r = &recs.piece_list[pos.xside][KING_RECORD]; r->kind >= lowest; --r) {
        if (!r->alive || !(attack_kind[to - r->square] & bit)) continue;
        if (needs_path && !clear_path(to, r->square)) continue;
        return r;
    }
    return nullptr;
}

// The destination is defended by the mover's own men: a pawn, a knight, a
// bishop, a rook or the queen of the slots, a line piece that sees it
// through the square the mover leaves, or the king. A piece does not count
// its own kind's slots (a slider would find itself; a knight counts its
// partner), and a knight's move has no x-ray.
template <int kind>
bool destination_defended(int from, int to) {
    const int c = pos.side;
    return pawn_guard_set(to, c) ||
           (kind == KNIGHT ? knight_slot_set_except(to, c, from) : knight_slot_set(to, c)) ||
           (kind != BISHOP && bishop_slot_set(to, c)) || (kind != ROOK && rook_slot_set(to, c)) ||
           (kind != QUEEN && queen_slot_set(to, c)) || (kind != KNIGHT && xray_attack_set(c, from, to)) ||
           own_king_adjacent(to);
}

int knight_threat(int from, int to) {
    const PieceRecord* t = first_target(to, BISHOP, piece_reach[KNIGHT][square64(to)], ATTACK_KNIGHT, false);
    if (!t) return 0;
    if (t->kind == BISHOP) return 300;
    const bool defended = destination_defended<KNIGHT>(from, to);
    switch (t->kind) {
        case ROOK: return defended ? 2000 : 1000;
        case QUEEN: return defended ? 3600 : 1800;
        default: return defended ? 13000 : 2400;
    }
}

int bishop_threat(int from, int to) {
    const PieceRecord* t = first_target(to, ROOK, piece_reach[BISHOP][square64(to)], ATTACK_BISHOP, true);
    if (!t) return 0;
    const bool defended = destination_defended<BISHOP>(from, to);
    switch (t->kind) {
        case ROOK: return defended ? 1000 : 500;
        case QUEEN: return defended ? 1800 : 900;
        default: return defended ? 8000 : 1200;
    }
}

int rook_threat(int from, int to) {
    const PieceRecord* t = first_target(to, QUEEN, piece_reach[ROOK][square64(to)], ATTACK_ROOK, true);
    if (!t) return 0;
    const bool defended = destination_defended<ROOK>(from, to);
    if (t->kind == QUEEN) return defended ? 900 : 400;
    return defended ? 6000 : 600;
}

int queen_threat(int from, int to) {
    const int k = pos.king_square[pos.xside];
    if (!(attack_kind[to - k] & ATTACK_QUEEN) || !clear_path(to, k)) return 0;
    return destination_defended<QUEEN>(from, to) ? 5000 : 600;
}

int pawn_terms(int from, int to, int flags, int s) {
    if (flags & MOVE_EP) s = 20000;
    const int t = pawn_target(to, pos.side);
    if (t == 0) {
        // A quiet pawn move is worth a little, in the opening only away from
        // the own king's wing (the king's shelter should stay put).
        const int king_file = square_file(pos.king_square[pos.side]), pawn_file = square_file(from);
        if (pos.piece_material[pos.side] < 1300 || (king_file <= 2 && pawn_file >= 3) ||
            (king_file >= 5 && pawn_file <= 4))
            s += 50;
    } else if (destination_defended<PAWN>(from, to)) {
        s += t == KING ? 15000 : 6 * piece_value[t];
    } else {
        s += 3 * piece_value[t];
    }
    return s;
}

// Shared by knights and bishops: only enemy pawns make their squares costly.
int minor_terms(PieceRecord* mover, int from, int to, int s) {
    const int e = pos.xside;
    if (pawn_guard_set(to, e)) return s - 2000;
    s += mover->kind == KNIGHT ? knight_threat(from, to) : bishop_threat(from, to);
    if (mover->threat_flags == 0) mover->threat_flags = pawn_guard_set(from, e) ? 1 : 2;
    if (mover->threat_flags & 1)
        s += escape_bonus[mover->kind];
    else if (s == 0)
        s = 2 * (knight_table[square64(to)] - knight_table[square64(from)]) + quiet_base[mover->kind];
    return s;
}

}  // namespace

int king_move_attacked(int from, int to) {
    const int e = pos.xside;
    return pawn_guard_set(to, e) || knight_slot_set(to, e) || bishop_slot_set(to, e) ||
           rook_slot_set(to, e) || queen_slot_set(to, e) || xray_attack_set(e, from, to) ||
           king_adjacent(to - pos.king_square[e]);
}

int score_move(int from, int to, int flags) {
    PieceRecord* mover = pos.board[from];
    const int e = pos.xside;
    int s = 0;
    if (const PieceRecord* victim = pos.board[to]) {
        const int vt = victim->value, va = mover->value;
        if (even_or_winning_capture(vt, va)) return capture_score(vt, va);
        s = 20 * vt - va;
    }
    switch (mover->kind) {
        case PAWN:
            s = pawn_terms(from, to, flags, s);
            break;
        case KNIGHT:
        case BISHOP:
            s = minor_terms(mover, from, to, s);
            break;
        case ROOK:
            if (minor_attacks(to, e)) {
                s -= 3000;
                break;
            }
            s += rook_threat(from, to) + quiet_base[ROOK];
            if (mover->threat_flags == 0) mover->threat_flags = minor_attacks(from, e) ? 1 : 2;
            if (mover->threat_flags & 1) s += escape_bonus[ROOK];
            break;
        case QUEEN:
            if (minor_attacks(to, e) || rook_slot_set(to, e) || xray_minor_set(e, from, to)) {
                s -= 5000;
                break;
            }
            s += queen_threat(from, to) + quiet_base[QUEEN];
            if (mover->threat_flags == 0)
                mover->threat_flags = minor_attacks(from, e) || rook_slot_set(from, e) ? 1 : 2;
            if (mover->threat_flags & 1) s += escape_bonus[QUEEN];
            break;
        default:  // KING
            if (flags & MOVE_CASTLE) {
                s = 200;
                break;
            }
            if (king_move_attacked(from, to)) return MOVE_REFUSED;
            if (mover->threat_flags == 0)
                mover->threat_flags = minor_attacks(from, e) || rook_slot_set(from, e) ||
                                              queen_slot_set(from, e)
                                          ? 1
                                          : 2;
            if (mover->threat_flags & 1) s += escape_bonus[KING];
            break;
    }
    return s + int(pos.history_table[square64(from)][square64(to)] / 5);
}
