// The lookup tables indexed by square difference, built once at start-up:
// which kinds reach a difference, the step of its line, the fork squares of
// a pair of squares, and the squares between two aligned squares.
#include <cstring>

#include "board/board.h"

uint8_t attack_kind_store[239];
int8_t line_dir_store[239];
int8_t knight_fork_store[239][3];
int8_t bishop_fork_store[239][3];
int8_t rook_fork_store[239][3];
int8_t queen_fork_store[239][13];
uint64_t between_mask[8][128];
uint64_t line_ray_store[35][64];
uint64_t piece_reach[6][64];
uint64_t pawn_reach[2][64];
uint64_t line_mask[3][64];
uint8_t rank_reach[8][256];

namespace {

void fill_line(int count, int step, int bit) {
    for (int i = 1; i <= count; ++i) {
        attack_kind[i * step] |= uint8_t(bit);
        line_dir[i * step] = int8_t(step);
    }
}

// Appends o to a zero-terminated list unless it is already there. The lists
// are sized so that a 0 always remains after the last offset.
void append_offset(int8_t* list, int size, int o) {
    for (int i = 0; i < size - 1; ++i) {
        if (list[i] == o) return;
        if (list[i] == 0) {
            list[i] = int8_t(o);
            return;
        }
    }
}

bool has_bit(int d, int bit) { return (attack_kind[d] & bit) != 0; }

void build_attack_kind() {
    std::memset(attack_kind_store, 0, sizeof attack_kind_store);
    std::memset(line_dir_store, 0, sizeof line_dir_store);
    for (int color = WHITE; color <= BLACK; ++color)
        for (int i = 0; pawn_dirs[color][i]; ++i)
            fill_line(1, pawn_dirs[color][i], pawn_attack_bit[color]);
    for (int kind = KNIGHT; kind <= KING; ++kind)
        for (int i = 0; piece_dirs[kind][i]; ++i)
            fill_line(is_slider[kind] ? 7 : 1, piece_dirs[kind][i], attack_bit[kind]);
}

// For every ordered triple of distinct squares a, b, c (a, then b, then c
// ascending): c is a fork square of the pair when one piece on c reaches
// both a and b, and a and b are not on one line of that piece (for the
// queen: not all three on one diagonal, nor all three on one rank or file).
void build_forks() {
    std::memset(knight_fork_store, 0, sizeof knight_fork_store);
    std::memset(bishop_fork_store, 0, sizeof bishop_fork_store);
    std::memset(rook_fork_store, 0, sizeof rook_fork_store);
    std::memset(queen_fork_store, 0, sizeof queen_fork_store);
    for (int a = 0; a < 128; ++a) {
        if (!on_board(a)) continue;
        for (int b = 0; b < 128; ++b) {
            if (!on_board(b) || b == a) continue;
            const int d = a - b;
            for (int c = 0; c < 128; ++c) {
                if (!on_board(c) || c == a || c == b) continue;
                const int o = c - b, ac = a - c, bc = b - c;
                if (has_bit(ac, ATTACK_KNIGHT) && has_bit(bc, ATTACK_KNIGHT))
                    append_offset(knight_fork[d], 3, o);
                if (!has_bit(d, ATTACK_BISHOP) && has_bit(ac, ATTACK_BISHOP) &&
                    has_bit(bc, ATTACK_BISHOP))
                    append_offset(bishop_fork[d], 3, o);
                if (!has_bit(d, ATTACK_ROOK) && has_bit(ac, ATTACK_ROOK) && has_bit(bc, ATTACK_ROOK))
                    append_offset(rook_fork[d], 3, o);
                const bool one_diagonal = has_bit(d, ATTACK_BISHOP) && has_bit(ac, ATTACK_BISHOP) &&
                                          has_bit(bc, ATTACK_BISHOP);
                const bool one_rank_or_file = has_bit(d, ATTACK_ROOK) && has_bit(ac, ATTACK_ROOK) &&
                                              has_bit(bc, ATTACK_ROOK);
                if (!one_diagonal && !one_rank_or_file && has_bit(ac, ATTACK_QUEEN) &&
                    has_bit(bc, ATTACK_QUEEN))
                    append_offset(queen_fork[d], 13, o);
            }
        }
    }
}

// Entries are kept for a lower square f on row 0; any other pair of aligned
// squares shifts the entry of its lower square's file by its row.
void build_between_mask() {
    std::memset(between_mask, 0, sizeof between_mask);
    for (int f = 0; f < 8; ++f) {
        for (int t = 0; t < 128; ++t) {
            if (!on_board(t) || t == f || !has_bit(t - f, ATTACK_BISHOP | ATTACK_ROOK)) continue;
            const int step = line_dir[t - f];
            uint64_t& entry = t > f ? between_mask[f][t - f] : between_mask[square_file(t)][f - t];
            for (int s = f + step; s != t; s += step) entry |= square_bit(s);
        }
    }
}

// The sets of every square that one step, or a walk along a queen step,
// reaches from each square; taken from the step tables.
void build_reach_sets() {
    std::memset(line_ray_store, 0, sizeof line_ray_store);
    std::memset(pawn_reach, 0, sizeof pawn_reach);
    std::memset(piece_reach, 0, sizeof piece_reach);
    for (int from = 0; from < 128; ++from) {
        if (!on_board(from)) continue;
        const int i = square64(from);
        for (const int* d = piece_dirs[QUEEN]; *d; ++d)
            for (int to = from + *d; on_board(to); to += *d) line_ray[*d][i] |= square_bit(to);
        for (int kind = BISHOP; kind <= QUEEN; ++kind)
            for (const int* d = piece_dirs[kind]; *d; ++d) piece_reach[kind][i] |= line_ray[*d][i];
        for (const int* d = piece_dirs[KNIGHT]; *d; ++d)
            if (on_board(from + *d)) piece_reach[KNIGHT][i] |= square_bit(from + *d);
        for (const int* d = piece_dirs[KING]; *d; ++d)
            if (on_board(from + *d)) piece_reach[KING][i] |= square_bit(from + *d);
        for (int color = WHITE; color <= BLACK; ++color)
            for (int k = 0; k < 2; ++k)
                if (on_board(from + pawn_dirs[color][k])) pawn_reach[color][i] |= square_bit(from + pawn_dirs[color][k]);
    }
}

// The line masks from the rays, and the rank reach of every file and
// occupancy of a rank by walking it.
void build_line_attacks() {
    for (int i = 0; i < 64; ++i) {
        line_mask[0][i] = line_ray[16][i] | line_ray[-16][i];
        line_mask[1][i] = line_ray[17][i] | line_ray[-17][i];
        line_mask[2][i] = line_ray[15][i] | line_ray[-15][i];
    }
    for (int f = 0; f < 8; ++f) {
        for (int o = 0; o < 256; ++o) {
            int reach = 0;
            for (int g = f + 1; g < 8; ++g) {
                reach |= 1 << g;
                if (o & (1 << g)) break;
            }
            for (int g = f - 1; g >= 0; --g) {
                reach |= 1 << g;
                if (o & (1 << g)) break;
            }
            rank_reach[f][o] = uint8_t(reach);
        }
    }
}

}  // namespace

void init_tables() {
    build_attack_kind();
    build_forks();
    build_between_mask();
    build_reach_sets();
    build_line_attacks();
}
