// Tactical threat terms for the side to move: a piece that can step to a
// square from which it attacks an enemy rook, queen or king along a second
// line (a double attack), the more so when the square is defended and the
// step captures. Candidate squares come from the fork tables.
#include "eval/eval_terms.h"

namespace {

// Columns: the candidate square is empty, or holds an enemy P, N, B, R, Q.
using ValueRow = int[6];

// Rows by target: rook, queen, king.
constexpr ValueRow knight_open[3] = {{4, 6, 8, 8, 12, 16}, {5, 7, 9, 9, 13, 17}, {7, 9, 11, 11, 15, 19}};
constexpr ValueRow knight_defended[3] = {{5, 9, 12, 12, 20, 30}, {7, 10, 14, 13, 21, 32}, {10, 12, 17, 17, 24, 35}};
constexpr ValueRow bishop_open[3] = {{2, 4, 6, 6, 8, 10}, {2, 4, 6, 6, 8, 10}, {4, 6, 8, 8, 10, 12}};
constexpr ValueRow bishop_defended[3] = {{3, 7, 11, 11, 15, 18}, {3, 7, 11, 11, 15, 18}, {6, 10, 14, 14, 16, 21}};
// Rows by target: queen, king.
constexpr ValueRow rook_open[2] = {{2, 4, 5, 5, 6, 9}, {4, 6, 7, 7, 8, 11}};
constexpr ValueRow rook_defended[2] = {{3, 6, 9, 9, 12, 15}, {5, 8, 11, 11, 14, 15}};
// Row: king.
constexpr ValueRow queen_open[1] = {{2, 4, 4, 4, 5, 6}};
constexpr ValueRow queen_defended[1] = {{4, 6, 7, 7, 8, 9}};

inline bool clear_line(int a, int b, uint64_t occupancy) { return (between_squares(a, b) & occupancy) == 0; }

// A slot piece of colour c (slots first..last) other than the one on
// `except` reaches s along a clear line of the attack bit.
bool slot_line_attacks(int s, int c, int first, int last, int bit, int except, uint64_t occupancy) {
    for (int slot = first; slot <= last; ++slot) {
        const PieceRecord* p = piece_slot(c, slot);
        if (p->alive && p->square != except && lines_up(p->square, s, bit) && clear_line(p->square, s, occupancy))
            return true;
    }
    return false;
}
inline bool bishop_by_mask(int s, int c, uint64_t occ) {
    return slot_line_attacks(s, c, SLOT_BISHOP, SLOT_BISHOP + 1, ATTACK_BISHOP, -1, occ);
}
inline bool rook_by_mask(int s, int c, uint64_t occ, int except = -1) {
    return slot_line_attacks(s, c, SLOT_ROOK, SLOT_ROOK + 1, ATTACK_ROOK, except, occ);
}
inline bool queen_by_mask(int s, int c, uint64_t occ) {
    return slot_line_attacks(s, c, SLOT_QUEEN, SLOT_QUEEN, ATTACK_QUEEN, -1, occ);
}

// 3. the enemy attacks the candidate square with a man the mover must fear
bool enemy_covers(int kind, int s, uint64_t occ) {
    if (pawn_guard(s, pos.xside)) return true;
    if (kind == KNIGHT || kind == BISHOP) return false;
    if (knight_slot_attacks(s, pos.xside) || bishop_by_mask(s, pos.xside, occ)) return true;
    return kind == QUEEN && rook_by_mask(s, pos.xside, occ);
}

// 4. side defends the candidate square once the piece on `from` stands there
bool defended(int kind, int from, int s, uint64_t occ) {
    if (pawn_guard(s, pos.side) || king_adjacent(s - pos.king_square[pos.side])) return true;
    switch (kind) {
        case KNIGHT:
            return knight_slot_attacks_except(s, pos.side, from) || bishop_by_mask(s, pos.side, occ) ||
                   rook_by_mask(s, pos.side, occ) || queen_slot_attacks(s, pos.side);
        case BISHOP:
            return knight_slot_attacks(s, pos.side) || rook_by_mask(s, pos.side, occ) || queen_by_mask(s, pos.side, occ) ||
                   xray_attack(pos.side, from, s);
        case ROOK:
            return knight_slot_attacks(s, pos.side) || bishop_by_mask(s, pos.side, occ) || rook_by_mask(s, pos.side, occ, from) ||
                   queen_by_mask(s, pos.side, occ) || xray_attack(pos.side, from, s);
        default:  // QUEEN
            return knight_slot_attacks(s, pos.side) || bishop_by_mask(s, pos.side, occ) || rook_by_mask(s, pos.side, occ) ||
                   xray_attack(pos.side, from, s);
    }
}

// The value column of the candidate square. An enemy king standing there
// (only in a position whose side to move could take it) counts as a queen.
int occupant_column(int s) {
    const PieceRecord* r = pos.board[s];
    if (!r) return 0;
    return r->kind >= QUEEN ? QUEEN + 1 : r->kind + 1;
}

const int8_t* candidate_list(int kind, int d) {
    switch (kind) {
        case KNIGHT: return knight_fork[d];
        case BISHOP: return bishop_fork[d];
        case ROOK: return rook_fork[d];
        default: return queen_fork[d];
    }
}

// The walk shared by the four terms: every slot piece of side of the kind,
// every target of xside from its king backward down to lowest_target, every
// candidate square. How a square counts differs per term:
//   knight: sums undefended squares, a defended one ends the term (+15);
//   bishop, rook: the first square passing the tests ends the term (+10 / +15);
//   queen: sums every square.
int threat_term(int kind, int first_slot, int last_slot, int lowest_target, const ValueRow* open,
                const ValueRow* guarded, uint64_t occupancy) {
    const bool slider = kind != KNIGHT;
    int total = 0;
    for (int slot = first_slot; slot <= last_slot; ++slot) {
        const PieceRecord* piece = piece_slot(pos.side, slot);
        if (!piece->alive) continue;
        const int from = piece->square;
        for (const PieceRecord* target = &recs.piece_list[pos.xside][KING_RECORD]; target->kind >= lowest_target; --target) {
            if (!target->alive) continue;
            const int row = target->kind - lowest_target;
            for (const int8_t* o = candidate_list(kind, target->square - from); *o; ++o) {
                const int s = from + *o;
                // 1. 2. a square the piece can step to, with a clear line on to the target
                if (!on_board(s) || (pos.board[s] && pos.board[s]->color == pos.side)) continue;
                if (slider && !(clear_line(from, s, occupancy) && clear_line(s, target->square, occupancy)))
                    continue;
                // 3. a square no enemy man covers
                if (enemy_covers(kind, s, occupancy)) continue;
                // 4. 5. the value by target and occupant, more when the square is defended
                const int column = occupant_column(s);
                const bool held = defended(kind, from, s, occupancy);
                switch (kind) {
                    case KNIGHT:
                        if (held) return total + guarded[row][column] + 15;
                        total += open[row][column];
                        break;
                    case QUEEN: total += held ? guarded[row][column] : open[row][column]; break;
                    default: return held ? guarded[row][column] + 15 : open[row][column] + 10;
                }
            }
        }
    }
    return total;
}

}  // namespace

int threat_knight(uint64_t occupancy) {
    return threat_term(KNIGHT, SLOT_KNIGHT, SLOT_KNIGHT + 1, ROOK, knight_open, knight_defended, occupancy);
}

int threat_bishop(uint64_t occupancy) {
    return threat_term(BISHOP, SLOT_BISHOP, SLOT_BISHOP + 1, ROOK, bishop_open, bishop_defended, occupancy);
}

int threat_rook(uint64_t occupancy) {
    return threat_term(ROOK, SLOT_ROOK, SLOT_ROOK + 1, QUEEN, rook_open, rook_defended, occupancy);
}

int threat_queen(uint64_t occupancy) {
    return threat_term(QUEEN, SLOT_QUEEN, SLOT_QUEEN, KING, queen_open, queen_defended, occupancy);
}
