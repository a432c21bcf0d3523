// The evaluation driver: material into two per-colour accumulators, the
// term families in a fixed order, then the two tactical stages that only
// run when the score lies near the search window.
#include <cassert>
#include <type_traits>

#include "eval/eval.h"
#include "eval/eval_terms.h"

thread_local EvalState ev;
static_assert(std::is_trivial_v<EvalState>, "a thread's evaluation words are plain data (see BoardState)");

uint8_t bit_count[256];

namespace {

constexpr uint64_t ROW_5 = 0xFFull << 40;  // white pawns land here after one step
constexpr uint64_t ROW_2 = 0xFFull << 16;  // black pawns land here after one step

constexpr int TRADE_BONUS = 10;
constexpr int KING_SAFETY_MATERIAL = 1300;

// Squares adjacent to any square of `set`, without wrapping between files.
uint64_t king_neighbours(uint64_t set) {
    const uint64_t beside = ((set & NOT_FILE_A) >> 1) | ((set & NOT_FILE_H) << 1);
    const uint64_t row = beside | set;
    return beside | (row >> 8) | (row << 8);
}

// The pushes of side's pawns to squares no enemy pawn attacks that would
// attack two enemy men at once: +40 when a pawn guards the push square.
int pawn_fork_bonus(const uint64_t pawns[2], const uint64_t men[2]) {
    const uint64_t empty = ~(pawns[WHITE] | pawns[BLACK] | men[WHITE] | men[BLACK]);
    uint64_t push;
    if (pos.side == WHITE) {
        push = (pawns[WHITE] >> 8) & empty;
        push |= ((push & ROW_5) >> 8) & empty;
    } else {
        push = (pawns[BLACK] << 8) & empty;
        push |= ((push & ROW_2) << 8) & empty;
    }
    push &= ~pawn_attack_set(pos.xside, pawns[pos.xside]);
    const uint64_t guarded = pawn_attack_set(pos.side, pawns[pos.side]);
    int bonus = 0;
    for (; push; push &= push - 1) {
        const uint64_t b = push & (~push + 1);
        if (popcount64(pawn_attack_set(pos.side, b) & men[pos.xside]) >= 2) bonus += (guarded & b) ? 40 : 20;
    }
    return bonus;
}

}  // namespace

void init_bit_count() {
    for (int v = 0; v < 256; ++v) bit_count[v] = uint8_t((v & 1) + bit_count[v >> 1]);
}

int popcount64(uint64_t set) {
    int n = 0;
    for (; set; set >>= 8) n += bit_count[set & 0xFF];
    return n;
}

void set_game_phase() {
    const bool pieces = pos.piece_material[WHITE] >= 1300 && pos.piece_material[BLACK] >= 1300;
    if (pieces && pos.material[WHITE] > 2500 && pos.material[BLACK] > 2500)
        ev.game_phase = 1;
    else
        ev.game_phase = pieces ? 2 : 3;
}

int set_bishop_code(int c) {
    const PieceRecord* a = piece_slot(c, SLOT_BISHOP);
    const PieceRecord* b = piece_slot(c, SLOT_BISHOP + 1);
    if (a->alive && b->alive) {
        ev.bishop_code[c] = 4;
        return 1;
    }
    if (a->alive || b->alive)
        ev.bishop_code[c] = 2 + square_colour(a->alive ? a->square : b->square);
    else
        ev.bishop_code[c] = 8;
    return 0;
}

void add_trade_bonus(int score[2]) {
    for (int c = WHITE; c <= BLACK; ++c) {
        const int e = c ^ 1;
        if (pos.material[e] >= pos.material[c]) continue;
        const int enemy_traded = ev.root_piece_material[e] - pos.piece_material[e];
        const int own_traded = ev.root_piece_material[c] - pos.piece_material[c];
        if (pos.piece_material[e] < ev.root_piece_material[e] && own_traded <= enemy_traded) score[c] += TRADE_BONUS;
    }
}

int evaluate(int alpha, int beta) {
    // 1. material and the king squares
    int score[2] = {pos.material[WHITE], pos.material[BLACK]};
    for (int c = WHITE; c <= BLACK; ++c) {
        pos.king_square[c] = recs.piece_list[c][KING_RECORD].square;
        ev.king_file[c] = pos.king_square[c] & 7;
    }

    // 2. the endgame has its own complete term set
    if (ev.game_phase == 3) return endgame_evaluate() + (pos.material[pos.side] - pos.material[pos.xside]);

    // 3. connected pawns; the pawn table's entry also sets pawn_rear
    uint64_t pawn_sets[2];
    uint32_t promoted[2];
    scan_pawn_records(pawn_sets, promoted);
    const PawnEntry& pawn_terms = pawn_entry(pawn_sets);
    score[pos.side] += pawn_entry_duos(pawn_terms, false);

    // 4. king quarters, the sets, the queens' sorties
    const uint64_t* pawns = pawn_terms.pawns;
    uint64_t men[2];
    for (int c = WHITE; c <= BLACK; ++c) {
        ev.king_quadrant[c] = quadrant_of(pos.king_square[c]);
        ev.quadrant_count[c] = 0;
        ev.back_rank_guard[c] = 0;
        men[c] = square_bit(pos.king_square[c]);
        const PieceRecord* q = piece_slot(c, SLOT_QUEEN);
        ev.queen_out[c] = ev.game_phase == 1 && q->alive && (c == WHITE ? q->square < 64 : q->square >= 56);
    }

    // 5. bishop pair, +4 more standing side by side
    for (int c = WHITE; c <= BLACK; ++c) {
        if (!set_bishop_code(c)) continue;
        score[c] += BISHOP_PAIR;
        if (king_adjacent(piece_slot(c, SLOT_BISHOP)->square - piece_slot(c, SLOT_BISHOP + 1)->square))
            score[c] += 4;
    }

    // 6. a king out of reach of the enemy's lone bishop
    for (int c = WHITE; c <= BLACK; ++c)
        if (lone_bishop_opposite(pos.king_square[c], c ^ 1)) score[c] += 2;

    // 7. king safety while the enemy keeps attacking material, else centralisation
    ev.king_shelter[WHITE] = ev.king_shelter[BLACK] = 0;
    for (int c = WHITE; c <= BLACK; ++c)
        score[c] += pos.piece_material[c ^ 1] >= KING_SAFETY_MATERIAL ? king_safety(c)
                                                                  : king_end_table[square64(pos.king_square[c])];

    // 8. an enemy man lodged in front of a blocked king pawn
    score[WHITE] += blocked_king_file(WHITE);
    score[BLACK] += blocked_king_file(BLACK);

    // 9. trade bonus
    add_trade_bonus(score);

    // 10. the piece loop: pawns by their structure, pieces by their terms
    assert(pawn_entry_ok(pawn_terms, false));
    for (int c = WHITE; c <= BLACK; ++c) {
        score[c] += pawn_entry_points(pawn_terms, c, false);
        for (uint32_t records = SLOT_PIECE_RECORDS | promoted[c]; records; records &= records - 1) {
            const PieceRecord* r = &recs.piece_list[c][__builtin_ctz(records)];
            if (!r->alive) continue;
            const int sq = r->square;
            switch (r->kind) {
                case KNIGHT: men[c] |= square_bit(sq); score[c] += evaluate_knight(r); break;
                case BISHOP: men[c] |= square_bit(sq); score[c] += evaluate_bishop(r); break;
                case ROOK: men[c] |= square_bit(sq); score[c] += evaluate_rook(r); break;
                default: men[c] |= square_bit(sq); score[c] += evaluate_queen(r); break;
            }
        }
    }

    // 11. king neighbourhood, off the own back row only
    if (pos.king_square[WHITE] < 112)
        score[WHITE] += 3 * popcount64(king_neighbours(square_bit(pos.king_square[WHITE])) & (men[WHITE] | pawns[WHITE])) - 24;
    if (pos.king_square[BLACK] > 7)
        score[BLACK] += 3 * popcount64(king_neighbours(square_bit(pos.king_square[BLACK])) & (men[BLACK] | pawns[BLACK])) - 24;

    // 12. men gathered around the kings
    score[WHITE] += 5 * ev.quadrant_count[WHITE];
    score[BLACK] += 5 * ev.quadrant_count[BLACK];

    // 13. back rank without a heavy defender against an enemy queen
    for (int c = WHITE; c <= BLACK; ++c) {
        if (ev.back_rank_guard[c] >= 0) continue;
        score[c] -= 10;
        const int e = c ^ 1;
        for (int slot = SLOT_ROOK; slot <= SLOT_QUEEN; ++slot) {
            const PieceRecord* p = piece_slot(e, slot);
            if (p->alive && square_row(p->square) == BACK_ROW[c]) score[c] -= 5;
        }
    }

    // 14. pawn forks for the side to move, near the window only
    int diff = score[pos.side] - score[pos.xside];
    if (-100 < alpha && alpha < 150 && alpha < diff + 30 && diff < beta) score[pos.side] += pawn_fork_bonus(pawns, men);

    // 15. tactical threats for the side to move, near the window only
    diff = score[pos.side] - score[pos.xside];
    if (-150 < alpha && alpha < 200 && alpha < diff + 80 && diff < beta) {
        const uint64_t occupancy = men[WHITE] | men[BLACK] | pawns[WHITE] | pawns[BLACK];
        const int base = score[pos.side];
        score[pos.side] += threat_knight(occupancy);
        int (*const later[3])(uint64_t) = {threat_bishop, threat_rook, threat_queen};
        for (auto threat : later) {
            if (score[pos.side] - score[pos.xside] >= beta || score[pos.side] - base >= 40) break;
            score[pos.side] += threat(occupancy);
        }
    }

    // 16. the score for the side to move
    return score[pos.side] - score[pos.xside];
}
