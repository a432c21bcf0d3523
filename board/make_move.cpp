// Making and taking back moves. Records stay where they are in their lists;
// only board pointers, a few record fields, the material sums and the game
// state change, and what is needed to restore them goes on the history.
#include <cassert>

#include "board/board.h"

thread_local HistoryRecord history[HISTORY_SIZE];
thread_local int history_count;
thread_local int ply;

namespace {

// The rook's corner and its square after castling, by the king's to-square.
void castling_rook(int king_to, int* corner, int* target) {
    switch (king_to) {
        case C8: *corner = A8; *target = D8; break;
        case G8: *corner = H8; *target = F8; break;
        case C1: *corner = A1; *target = D1; break;
        default: *corner = H1; *target = F1; break;
    }
}

// The man on `from` goes to the empty square `to`, in the sets too.
void move_man(int from, int to) {
    PieceRecord* r = board[from];
    board[to] = r;
    r->square = uint8_t(to);
    board[from] = nullptr;
    const uint64_t both = square_bit(from) | square_bit(to);
    occupied ^= both;
    color_men[r->color] ^= both;
    kind_men[r->color][r->kind] ^= both;
    if (promoted_men[r->color] & square_bit(from)) promoted_men[r->color] ^= both;
}

uint32_t record_bit(const PieceRecord* r) { return uint32_t(1) << (r - piece_list[r->color]); }

// A captured man leaves the sets, or a man taken back returns to them.
void toggle_captured(const PieceRecord* r) {
    const uint64_t bit = square_bit(r->square);
    occupied ^= bit;
    color_men[r->color] ^= bit;
    kind_men[r->color][r->kind] ^= bit;
    alive_records[r->color] ^= record_bit(r);
    if (r->kind == PAWN) pawn_records[r->color] ^= record_bit(r);
    if (r->kind != PAWN && r < piece_list[r->color] + PAWN_RECORDS) promoted_men[r->color] ^= bit;
}

// The pawn r on sq is promoted to `kind`, or a promotion of it is taken back.
void toggle_promotion(const PieceRecord* r, int sq, int kind) {
    kind_men[r->color][PAWN] ^= square_bit(sq);
    kind_men[r->color][kind] ^= square_bit(sq);
    pawn_records[r->color] ^= record_bit(r);
    promoted_men[r->color] ^= square_bit(sq);
}

// The two squares a castling king crosses or lands on must not be attacked.
bool castling_path_attacked(int king_to) {
    const int step = square_file(king_to) == 2 ? -1 : 1;
    const int start = king_to - 2 * step;  // the king's home square
    return square_attacked(start + step, xside) || square_attacked(start + 2 * step, xside);
}

void do_move(Move m) {
    const int from = move_from(m), to = move_to(m), flags = move_flags(m);
    if (flags & MOVE_CASTLE) {
        int corner, target;
        castling_rook(to, &corner, &target);
        move_man(corner, target);
        castle_flags |= side == WHITE ? CASTLED_WHITE : CASTLED_BLACK;
    }
    assert(history_count < HISTORY_SIZE);
    HistoryRecord& h = history[history_count];
    h.move = m;
    if (PieceRecord* victim = board[to]) {
        h.captured = victim;
        victim->alive = 0;
        toggle_captured(victim);
        material[xside] -= victim->value;
        if (victim->kind != PAWN) piece_material[xside] -= victim->value;
    } else if (flags & MOVE_EP) {
        const int taken = ep_square + (side == WHITE ? 16 : -16);
        h.captured = board[taken];
        h.captured->alive = 0;
        toggle_captured(h.captured);
        board[taken] = nullptr;
        material[xside] -= 100;
    } else {
        h.captured = nullptr;
    }
    h.castle_flags = castle_flags;
    h.ep_square = ep_square;
    h.fifty = fifty;
    ++ply;
    ++history_count;

    castle_flags &= castle_mask[to] & castle_mask[from];
    ep_square = -1;
    if (flags & (MOVE_CAPTURE | MOVE_PAWN | MOVE_DOUBLE))
        fifty = 0;
    else
        ++fifty;
    move_man(from, to);
    PieceRecord* man = board[to];
    if (flags & MOVE_PROMOTE) {
        const int promote = move_promote(m);
        toggle_promotion(man, to, promote);
        man->kind = int8_t(promote);
        man->value = int16_t(piece_value[promote]);
        material[side] += man->value - 100;
        piece_material[side] += man->value;
    } else if (flags & MOVE_DOUBLE) {
        ep_square = to + (side == WHITE ? 16 : -16);
    }
    if (hash_table) {
        // The key change for update_hash_key: the side to move, the man
        // leaving `from` (a pawn when it promotes) and entering `to`, the
        // captured man, the castling rook.
        const int c = side, kind = man->kind;
        uint64_t change = side_key ^ man_key(kind, c, to) ^ man_key(flags & MOVE_PROMOTE ? PAWN : kind, c, from);
        if (const PieceRecord* taken = h.captured) change ^= man_key(taken->kind, c ^ 1, taken->square);
        if (flags & MOVE_CASTLE) {
            int corner, target;
            castling_rook(to, &corner, &target);
            change ^= man_key(ROOK, c, corner) ^ man_key(ROOK, c, target);
        }
        move_key_change = change;
    }
    side ^= 1;
    xside ^= 1;
    assert(board_is_ok());
    assert(square_sets_ok());
}

}  // namespace

int make_move(Move m) {
    if ((move_flags(m) & MOVE_CASTLE) && castling_path_attacked(move_to(m))) return 0;
    do_move(m);
    return 1;
}

int make_legal_move(Move m) {
    if (!make_move(m)) return 0;
    if (find_checker(side) == 0) return 1;
    unmake_move();
    return 0;
}

void make_move_unchecked(Move m) { do_move(m); }

void unmake_move() {
    side ^= 1;
    xside ^= 1;
    --history_count;
    --ply;
    const HistoryRecord& h = history[history_count];
    const int from = move_from(h.move), to = move_to(h.move), flags = move_flags(h.move);
    castle_flags = h.castle_flags;
    ep_square = h.ep_square;
    fifty = h.fifty;
    PieceRecord* man = board[to];
    if (flags & MOVE_PROMOTE) {
        material[side] += 100 - man->value;
        piece_material[side] -= man->value;
        toggle_promotion(man, to, man->kind);
        man->kind = PAWN;
        man->value = 100;
    }
    move_man(to, from);
    if (PieceRecord* victim = h.captured) {
        victim->alive = 1;
        toggle_captured(victim);
        if (flags & MOVE_EP) {
            board[victim->square] = victim;
            material[xside] += 100;
        } else {
            board[to] = victim;
            material[xside] += victim->value;
            if (victim->kind != PAWN) piece_material[xside] += victim->value;
        }
    }
    if (flags & MOVE_CASTLE) {
        int corner, target;
        castling_rook(to, &corner, &target);
        move_man(target, corner);
        castle_flags ^= side == WHITE ? CASTLED_WHITE : CASTLED_BLACK;
    }
    assert(board_is_ok());
    assert(square_sets_ok());
}

void make_null_move() {
    assert(history_count < HISTORY_SIZE);
    HistoryRecord& h = history[history_count];
    h.move = 0;
    h.ep_square = ep_square;
    h.fifty = fifty;
    ++history_count;
    ++ply;
    side ^= 1;
    xside ^= 1;
    fifty = 0;
    ep_square = -1;
}

void unmake_null_move() {
    --ply;
    --history_count;
    side ^= 1;
    xside ^= 1;
    ep_square = history[history_count].ep_square;
    fifty = history[history_count].fifty;
}
