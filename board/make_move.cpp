// Making and taking back moves. Records stay where they are in their lists;
// only board pointers, a few record fields, the material sums and the game
// state change, and what is needed to restore them goes on the history.
#include <cassert>

#include "board/board.h"

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
    PieceRecord* r = pos.board[from];
    pos.board[to] = r;
    r->square = uint8_t(to);
    pos.board[from] = nullptr;
    const uint64_t both = square_bit(from) | square_bit(to);
    pos.occupied ^= both;
    pos.color_men[r->color] ^= both;
    pos.kind_men[r->color][r->kind] ^= both;
    if (pos.promoted_men[r->color] & square_bit(from)) pos.promoted_men[r->color] ^= both;
}

uint32_t record_bit(const PieceRecord* r) { return uint32_t(1) << (r - recs.piece_list[r->color]); }

// A captured man leaves the sets, or a man taken back returns to them.
void toggle_captured(const PieceRecord* r) {
    const uint64_t bit = square_bit(r->square);
    pos.occupied ^= bit;
    pos.color_men[r->color] ^= bit;
    pos.kind_men[r->color][r->kind] ^= bit;
    pos.alive_records[r->color] ^= record_bit(r);
    if (r->kind == PAWN) pos.pawn_records[r->color] ^= record_bit(r);
    if (r->kind != PAWN && r < recs.piece_list[r->color] + PAWN_RECORDS) pos.promoted_men[r->color] ^= bit;
}

// The pawn r on sq is promoted to `kind`, or a promotion of it is taken back.
void toggle_promotion(const PieceRecord* r, int sq, int kind) {
    pos.kind_men[r->color][PAWN] ^= square_bit(sq);
    pos.kind_men[r->color][kind] ^= square_bit(sq);
    pos.pawn_records[r->color] ^= record_bit(r);
    pos.promoted_men[r->color] ^= square_bit(sq);
}

// Chess960: the king's square, every square it crosses and its
// destination must not be attacked, with its rook taken off the board (a
// rook that shields the king's destination now leaves it).
[[gnu::noinline, gnu::cold]] bool castling960_path_attacked(int from, int king_to) {
    const uint64_t rook = square_bit(pos.castle_rook[castle_right_index(king_to)]);
    const int step = king_to < from ? -1 : 1;
    pos.occupied ^= rook;
    bool attacked = square_attacked(from, pos.xside);
    for (int sq = from; !attacked && sq != king_to;) {
        sq += step;
        attacked = square_attacked(sq, pos.xside);
    }
    pos.occupied ^= rook;
    return attacked;
}

// The two squares a castling king crosses or lands on must not be attacked.
// Not inlined, so that make_move stays small enough for the search to
// inline it.
[[gnu::noinline]] bool castling_path_attacked(int from, int king_to) {
    if (pos.chess960) return castling960_path_attacked(from, king_to);
    const int step = square_file(king_to) == 2 ? -1 : 1;
    const int start = king_to - 2 * step;  // the king's home square
    return square_attacked(start + step, pos.xside) || square_attacked(start + 2 * step, pos.xside);
}

// Chess960's castling men: lift_man takes the king or rook off its square
// (board and sets), put_man puts it on another. Taking both men off before
// putting either back lets king and rook land on each other's squares, or
// stay where they are.
PieceRecord* lift_man(int sq) {
    PieceRecord* r = pos.board[sq];
    pos.board[sq] = nullptr;
    const uint64_t bit = square_bit(sq);
    pos.occupied ^= bit;
    pos.color_men[r->color] ^= bit;
    pos.kind_men[r->color][r->kind] ^= bit;
    if (pos.promoted_men[r->color] & bit) pos.promoted_men[r->color] ^= bit;
    return r;
}
void put_man(PieceRecord* r, int sq) {
    pos.board[sq] = r;
    r->square = uint8_t(sq);
    const uint64_t bit = square_bit(sq);
    pos.occupied ^= bit;
    pos.color_men[r->color] ^= bit;
    pos.kind_men[r->color][r->kind] ^= bit;
    if (r < recs.piece_list[r->color] + PAWN_RECORDS) pos.promoted_men[r->color] ^= bit;  // a rook in a pawn record
}
void castle960_men(int king_from, int king_to, int rook_from, int rook_to) {
    PieceRecord* king = lift_man(king_from);
    PieceRecord* rook = lift_man(rook_from);
    put_man(king, king_to);
    put_man(rook, rook_to);
}

// The rook's square after castling, by the king's destination.
int castled_rook_square(int king_to) { return king_to + (square_file(king_to) == 2 ? 1 : -1); }

// Chess960's castling, made whole: no capture, no promotion; the key's
// change by the men (update_hash_key adds the rights lost).
// Completes the move's history record with what unmake restores, and
// enters the next ply.
inline void push_history(HistoryRecord& h, Move m, PieceRecord* captured) {
    h.move = m;
    h.captured = captured;
    h.castle_flags = pos.castle_flags;
    h.ep_square = pos.ep_square;
    h.fifty = pos.fifty;
    ++pos.ply;
    ++pos.history_count;
}

[[gnu::noinline, gnu::cold]] void do_castling960(Move m) {
    const int from = move_from(m), to = move_to(m);
    const int rook = pos.castle_rook[castle_right_index(to)], rook_to = castled_rook_square(to);
    pos.castle_flags |= pos.side == WHITE ? CASTLED_WHITE : CASTLED_BLACK;
    assert(pos.history_count < HISTORY_SIZE);
    push_history(pos.history[pos.history_count], m, nullptr);
    pos.castle_flags &= pos.castle_masks[from];
    pos.ep_square = -1;
    ++pos.fifty;
    castle960_men(from, to, rook, rook_to);
    if (hash_table) {
        const int c = pos.side;
        pos.move_key_change = side_key ^ man_key(KING, c, from) ^ man_key(KING, c, to) ^ man_key(ROOK, c, rook) ^
                              man_key(ROOK, c, rook_to);
    }
    pos.side ^= 1;
    pos.xside ^= 1;
    assert(board_is_ok());
    assert(square_sets_ok());
}

void do_move(Move m) {
    const int from = move_from(m), to = move_to(m), flags = move_flags(m);
    if (flags & MOVE_CASTLE) {
        if (pos.chess960) {
            do_castling960(m);
            return;
        }
        int corner, target;
        castling_rook(to, &corner, &target);
        move_man(corner, target);
        pos.castle_flags |= pos.side == WHITE ? CASTLED_WHITE : CASTLED_BLACK;
    }
    PieceRecord* captured = pos.board[to];
    if (captured) {
        captured->alive = 0;
        toggle_captured(captured);
        pos.material[pos.xside] -= captured->value;
        if (captured->kind != PAWN) pos.piece_material[pos.xside] -= captured->value;
    } else if (flags & MOVE_EP) {
        const int taken = pos.ep_square + (pos.side == WHITE ? 16 : -16);
        captured = pos.board[taken];
        captured->alive = 0;
        toggle_captured(captured);
        pos.board[taken] = nullptr;
        pos.material[pos.xside] -= 100;
    }
    assert(pos.history_count < HISTORY_SIZE);
    push_history(pos.history[pos.history_count], m, captured);

    pos.castle_flags &= pos.castle_masks[to] & pos.castle_masks[from];
    pos.ep_square = -1;
    if (flags & (MOVE_CAPTURE | MOVE_PAWN | MOVE_DOUBLE))
        pos.fifty = 0;
    else
        ++pos.fifty;
    move_man(from, to);
    PieceRecord* man = pos.board[to];
    if (flags & MOVE_PROMOTE) {
        const int promote = move_promote(m);
        toggle_promotion(man, to, promote);
        man->kind = int8_t(promote);
        man->value = int16_t(piece_value[promote]);
        pos.material[pos.side] += man->value - 100;
        pos.piece_material[pos.side] += man->value;
    } else if (flags & MOVE_DOUBLE) {
        pos.ep_square = to + (pos.side == WHITE ? 16 : -16);
    }
    if (hash_table) {
        // The key change for update_hash_key: the side to move, the man
        // leaving `from` (a pawn when it promotes) and entering `to`, the
        // captured man, the castling rook.
        const int c = pos.side, kind = man->kind;
        uint64_t change = side_key ^ man_key(kind, c, to) ^ man_key(flags & MOVE_PROMOTE ? PAWN : kind, c, from);
        if (const PieceRecord* taken = captured) change ^= man_key(taken->kind, c ^ 1, taken->square);
        if (flags & MOVE_CASTLE) {
            int corner, target;
            castling_rook(to, &corner, &target);
            change ^= man_key(ROOK, c, corner) ^ man_key(ROOK, c, target);
        }
        pos.move_key_change = change;
    }
    pos.side ^= 1;
    pos.xside ^= 1;
    assert(board_is_ok());
    assert(square_sets_ok());
}

// Castling taken back (side is the mover again, the rights restored): the
// king and the rook back on their squares, the has-castled bit off. Out of
// line, like Chess960's parts of make, so that the code of the frequent
// moves stays as lean as it was.
[[gnu::noinline, gnu::cold]] void unmake_castling(int from, int to) {
    if (pos.chess960) {
        castle960_men(to, from, castled_rook_square(to), pos.castle_rook[castle_right_index(to)]);
    } else {
        int corner, target;
        castling_rook(to, &corner, &target);
        move_man(to, from);
        move_man(target, corner);
    }
    pos.castle_flags ^= pos.side == WHITE ? CASTLED_WHITE : CASTLED_BLACK;
    assert(board_is_ok());
    assert(square_sets_ok());
}

}  // namespace

int make_move(Move m) {
    if ((move_flags(m) & MOVE_CASTLE) && castling_path_attacked(move_from(m), move_to(m))) return 0;
    do_move(m);
    return 1;
}

int make_legal_move(Move m) {
    if (!make_move(m)) return 0;
    if (find_checker(pos.side) == 0) return 1;
    unmake_move();
    return 0;
}

void make_move_unchecked(Move m) { do_move(m); }

void unmake_move() {
    pos.side ^= 1;
    pos.xside ^= 1;
    --pos.history_count;
    --pos.ply;
    const HistoryRecord& h = pos.history[pos.history_count];
    const int from = move_from(h.move), to = move_to(h.move), flags = move_flags(h.move);
    pos.castle_flags = h.castle_flags;
    pos.ep_square = h.ep_square;
    pos.fifty = h.fifty;
    if (flags & MOVE_CASTLE) {
        unmake_castling(from, to);
        return;
    }
    PieceRecord* man = pos.board[to];
    if (flags & MOVE_PROMOTE) {
        pos.material[pos.side] += 100 - man->value;
        pos.piece_material[pos.side] -= man->value;
        toggle_promotion(man, to, man->kind);
        man->kind = PAWN;
        man->value = 100;
    }
    move_man(to, from);
    if (PieceRecord* victim = h.captured) {
        victim->alive = 1;
        toggle_captured(victim);
        if (flags & MOVE_EP) {
            pos.board[victim->square] = victim;
            pos.material[pos.xside] += 100;
        } else {
            pos.board[to] = victim;
            pos.material[pos.xside] += victim->value;
            if (victim->kind != PAWN) pos.piece_material[pos.xside] += victim->value;
        }
    }
    assert(board_is_ok());
    assert(square_sets_ok());
}

void make_null_move() {
    assert(pos.history_count < HISTORY_SIZE);
    HistoryRecord& h = pos.history[pos.history_count];
    h.move = 0;
    h.ep_square = pos.ep_square;
    h.fifty = pos.fifty;
    ++pos.history_count;
    ++pos.ply;
    pos.side ^= 1;
    pos.xside ^= 1;
    pos.fifty = 0;
    pos.ep_square = -1;
}

void unmake_null_move() {
    --pos.ply;
    --pos.history_count;
    pos.side ^= 1;
    pos.xside ^= 1;
    pos.ep_square = pos.history[pos.history_count].ep_square;
    pos.fifty = pos.history[pos.history_count].fifty;
}
