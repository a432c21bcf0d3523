// Move generation: all pseudo-legal moves, captures and promotions for the
// quiescence search, and check evasions. Every move is scored as it is
// appended. The list order is fixed (records in list order, steps in table
// order, slider targets near to far) because selection breaks score ties by
// position in the list.
#include <cassert>

#include "board/board.h"

namespace {

enum GenMode { GEN_ALL, GEN_CAPTURES, GEN_EVASIONS };

bool promotion_row(int sq) { return square_row(sq) == 0 || square_row(sq) == 7; }
bool in_block_mask(int sq) { return (pos.block_mask & square_bit(sq)) != 0; }

void append(int from, int to, int promote, int flags, int score) {
    assert(pos.last_move[pos.ply] < MOVE_STACK_SIZE);
    MoveEntry& e = pos.move_list[pos.last_move[pos.ply]++];
    e.move = make_move_word(from, to, promote, flags);
    e.score = score;
}

// Knight, bishop, rook, queen in that order; no history term.
void add_promotions(int from, int to, int flags) {
    const int taken = (flags & MOVE_CAPTURE) ? pos.board[to]->value : 0;
    for (int kind = KNIGHT; kind <= QUEEN; ++kind)
        append(from, to, kind, flags | MOVE_PROMOTE, 200 * (piece_value[kind] + taken));
}

int history_bonus(int from, int to) {
    return int(pos.history_table[square64(from)][square64(to)] / 5);
}

void add_move(int from, int to, int flags) {
    if ((flags & MOVE_PAWN) && promotion_row(to)) {
        add_promotions(from, to, flags);
        return;
    }
    // score_move's first rule, taken here without the call: a capture that
    // wins material or trades evenly scores by its victim, then its mover.
    if (const PieceRecord* victim = pos.board[to]) {
        const int vt = victim->value, va = pos.board[from]->value;
        if (even_or_winning_capture(vt, va)) {
            append(from, to, 0, flags, capture_score(vt, va));
            return;
        }
    }
    const int score = score_move(from, to, flags);
    if (score != MOVE_REFUSED) append(from, to, 0, flags, score);
}

void add_evasion(int from, int to, int flags) {
    if ((flags & MOVE_PAWN) && promotion_row(to)) {
        add_promotions(from, to, flags);
        return;
    }
    const PieceRecord* mover = pos.board[from];
    if (mover->kind == KING && king_move_attacked(from, to)) return;
    append(from, to, 0, flags, (pos.board[to] ? 4000 : 1500) - mover->value + history_bonus(from, to));
}

void add(GenMode mode, int from, int to, int flags) {
    if (mode == GEN_EVASIONS)
        add_evasion(from, to, flags);
    else
        add_move(from, to, flags);
}

// The squares from a to b on one rank, both included.
uint64_t rank_span(int a, int b) {
    const int low = a < b ? a : b, high = a < b ? b : a;
    return (square_bit(high) << 1) - square_bit(low);
}

// Chess960: the king goes to the c- or g-file and the rook to the d- or
// f-file of their rank; every square either of them crosses or lands on
// must be empty but for the two of them. The squares the king crosses are
// tested by make_move. The move is the king's, from its square to its
// destination (the same square when it stands there already), scored as
// the scorer scores castling.
void add_castling960() {
    const int king = recs.piece_list[pos.side][KING_RECORD].square;
    const int row = square_row(king);
    for (int wing = 0; wing < 2; ++wing) {
        const int index = 2 * pos.side + wing;
        if (!(pos.castle_flags & (1 << index))) continue;
        const int rook = pos.castle_rook[index];
        const int king_to = make_square(row, wing ? 6 : 2), rook_to = make_square(row, wing ? 5 : 3);
        const uint64_t crossed = rank_span(king, king_to) | rank_span(rook, rook_to);
        if (crossed & pos.occupied & ~(square_bit(king) | square_bit(rook))) continue;
        append(king, king_to, 0, MOVE_CASTLE, 200 + history_bonus(king, king_to));
    }
}

void add_castling() {
    if (pos.chess960) {
        add_castling960();
        return;
    }
    if (pos.side == BLACK) {
        if ((pos.castle_flags & CASTLE_BLACK_QUEEN) && !pos.board[B8] && !pos.board[C8] && !pos.board[D8])
            add_move(E8, C8, MOVE_CASTLE);
        if ((pos.castle_flags & CASTLE_BLACK_KING) && !pos.board[F8] && !pos.board[G8])
            add_move(E8, G8, MOVE_CASTLE);
    } else {
        if ((pos.castle_flags & CASTLE_WHITE_QUEEN) && !pos.board[B1] && !pos.board[C1] && !pos.board[D1])
            add_move(E1, C1, MOVE_CASTLE);
        if ((pos.castle_flags & CASTLE_WHITE_KING) && !pos.board[F1] && !pos.board[G1])
            add_move(E1, G1, MOVE_CASTLE);
    }
}

// Pawn moves; returns false when a capture step reaches the enemy king.
bool gen_pawn(GenMode mode, int from) {
    for (int i = 0; i < 2; ++i) {
        const int to = from + pawn_dirs[pos.side][i];
        if (!on_board(to)) continue;
        if (const PieceRecord* target = pos.board[to]) {
            if (target->color == pos.side) continue;
            if (target->kind == KING) return false;
            if (mode != GEN_EVASIONS || to == pos.checker_square) add(mode, from, to, MOVE_CAPTURE | MOVE_PAWN);
        } else if (to == pos.ep_square) {
            // In check, en passant helps only against the pawn that just moved two.
            const int pushed = pos.ep_square + (pos.side == WHITE ? 16 : -16);
            if (mode != GEN_EVASIONS || pos.checker_square == pushed) add(mode, from, to, MOVE_EP | MOVE_PAWN);
        }
    }
    const int step = pawn_dirs[pos.side][2];
    const int to = from + step;
    if (!on_board(to) || pos.board[to]) return true;
    const bool double_row = pos.side == WHITE ? from >= 96 : from < 24;
    const int two = to + step;
    switch (mode) {
        case GEN_ALL:
            add_move(from, to, MOVE_PAWN);
            if (double_row && !pos.board[two]) add_move(from, two, MOVE_DOUBLE);
            break;
        case GEN_CAPTURES:
            if (promotion_row(to)) add_move(from, to, MOVE_PAWN);
            break;
        case GEN_EVASIONS:
            if (!pos.block_mask) break;
            if (in_block_mask(to))
                add_evasion(from, to, MOVE_PAWN);
            else if (double_row && !pos.board[two] && in_block_mask(two))
                add_evasion(from, two, MOVE_DOUBLE);
            break;
    }
    return true;
}

// Knight and king steps; returns false when a step reaches the enemy king.
bool gen_steps(GenMode mode, int from, int kind) {
    for (const int* d = piece_dirs[kind]; *d; ++d) {
        const int to = from + *d;
        if (!on_board(to)) continue;
        if (const PieceRecord* target = pos.board[to]) {
            if (target->color == pos.side) continue;
            if (target->kind == KING) return false;
            if (mode != GEN_EVASIONS || kind == KING || to == pos.checker_square)
                add(mode, from, to, MOVE_CAPTURE);
        } else if (mode == GEN_ALL || (mode == GEN_EVASIONS && kind == KING)) {
            add(mode, from, to, 0);
        } else if (mode == GEN_EVASIONS && pos.in_check_flag != 1 && in_block_mask(to)) {
            add_evasion(from, to, 0);
        }
    }
    return true;
}

// Bishop, rook and queen walks; returns false when a walk meets the enemy king.
bool gen_slides(GenMode mode, int from, int kind) {
    for (const int* d = piece_dirs[kind]; *d; ++d) {
        for (int to = from + *d; on_board(to); to += *d) {
            if (const PieceRecord* target = pos.board[to]) {
                if (target->color != pos.side) {
                    if (target->kind == KING) return false;
                    if (mode != GEN_EVASIONS || to == pos.checker_square) add(mode, from, to, MOVE_CAPTURE);
                }
                break;
            }
            if (mode == GEN_ALL || (mode == GEN_EVASIONS && in_block_mask(to))) add(mode, from, to, 0);
        }
    }
    return true;
}

// step_rank[kind][step + 33]: the place of a step in piece_dirs[kind].
struct StepRanks {
    int8_t rank[6][67];
};
constexpr StepRanks make_step_ranks() {
    StepRanks t{};
    for (int kind = KNIGHT; kind <= KING; ++kind)
        for (int k = 0; piece_dirs[kind][k]; ++k) t.rank[kind][piece_dirs[kind][k] + 33] = int8_t(k);
    return t;
}
constexpr StepRanks step_ranks = make_step_ranks();

// Debug check: an attack set equals the squares the walks along the
// piece's steps reach, each walk up to and including the first man.
[[maybe_unused]] bool attack_set_ok(int from, int kind, uint64_t set) {
    uint64_t walked = 0;
    for (const int* d = piece_dirs[kind]; *d; ++d) {
        for (int to = from + *d; on_board(to); to += *d) {
            walked |= square_bit(to);
            if (pos.board[to] || !is_slider[kind]) break;
        }
    }
    return walked == set;
}

// The captures of a knight, bishop, rook, queen or king: the enemy men it
// attacks, added in the order of its steps in piece_dirs as the walks
// would meet them. Returns false when one of them is the enemy king.
bool gen_piece_captures(int from, int kind) {
    const int i = square64(from);
    const uint64_t enemy = pos.color_men[pos.xside];
    // A piece with no enemy man on its lines or steps needs no attack set.
    if (!(piece_reach[kind][i] & enemy)) return true;
    assert(attack_set_ok(from, kind, piece_attack_set(kind, i, pos.occupied)));
    uint64_t targets = piece_attack_set(kind, i, pos.occupied) & enemy;
    if (!targets) return true;
    int target_of_step[8];
    uint32_t steps = 0;  // bit k: a capture along piece_dirs[kind][k]
    for (; targets; targets &= targets - 1) {
        const int to = square_of64(lowest_square64(targets));
        if (pos.board[to]->kind == KING) return false;
        const int k = step_ranks.rank[kind][line_dir[to - from] + 33];
        target_of_step[k] = to;
        steps |= uint32_t(1) << k;
    }
    for (; steps; steps &= steps - 1) {
        const int to = target_of_step[__builtin_ctz(steps)];
        // The quiescence search will soon make this capture and probe the
        // table for the position after it.
        prefetch_capture_slot(from, to);
        add_move(from, to, MOVE_CAPTURE);
    }
    return true;
}

// The rows from which a pawn of each colour pushes to promotion.
constexpr uint64_t PROMOTING_ROW[2] = {0xFFull << 8, 0xFFull << 48};

// The records whose moves capture generation must look at: every piece,
// and only the pawns that attack an enemy man or the en-passant square or
// stand on their promoting row (the others add nothing).
uint32_t capture_records() {
    const uint64_t targets = pos.color_men[pos.xside] | (pos.ep_square >= 0 ? square_bit(pos.ep_square) : 0);
    uint64_t active = pos.kind_men[pos.side][PAWN] & (pawn_attack_set(pos.xside, targets) | PROMOTING_ROW[pos.side]);
    uint32_t records = pos.alive_records[pos.side] & ~pos.pawn_records[pos.side];
    for (; active; active &= active - 1)
        records |= uint32_t(1) << (pos.board[square_of64(lowest_square64(active))] - recs.piece_list[pos.side]);
    return records;
}

void generate(GenMode mode) {
    pos.king_capture = 0;
    pos.king_square[WHITE] = recs.piece_list[WHITE][KING_RECORD].square;
    pos.king_square[BLACK] = recs.piece_list[BLACK][KING_RECORD].square;
    pos.last_move[pos.ply] = pos.first_move[pos.ply];
    // Alive records in list order.
    const uint32_t records = mode == GEN_CAPTURES ? capture_records() : pos.alive_records[pos.side];
    for (uint32_t live = records; live; live &= live - 1) {
        PieceRecord* r = &recs.piece_list[pos.side][__builtin_ctz(live)];
        bool ok;
        if (r->kind == PAWN) {
            ok = gen_pawn(mode, r->square);
        } else {
            // The scorer's threat cache of a piece serves the scoring of
            // its own moves, which all follow here.
            if (mode != GEN_EVASIONS) r->threat_flags = 0;
            if (mode == GEN_CAPTURES) {
                ok = gen_piece_captures(r->square, r->kind);
            } else if (is_slider[r->kind]) {
                ok = gen_slides(mode, r->square, r->kind);
            } else {
                if (r->kind == KING && mode == GEN_ALL && pos.in_check_flag == 0) add_castling();
                ok = gen_steps(mode, r->square, r->kind);
            }
        }
        if (!ok) {
            pos.king_capture = 1;
            return;
        }
    }
    pos.first_move[pos.ply + 1] = pos.last_move[pos.ply];
}

}  // namespace

void gen_moves() { generate(GEN_ALL); }
void gen_captures() { generate(GEN_CAPTURES); }
void gen_evasions() { generate(GEN_EVASIONS); }

void generate_root_moves() {
    pos.ply = 0;
    pos.in_check_flag = find_checker(pos.xside);
    if (pos.in_check_flag)
        gen_evasions();
    else
        gen_moves();
    // A side switch or a set-up can leave the side to move able to take the
    // enemy king. The generator then stops short and leaves first_move[1]
    // as an earlier list set it; closed here, the lists the search builds
    // above ply 0 cannot overwrite this one.
    if (pos.king_capture) pos.first_move[1] = pos.last_move[0];
}
