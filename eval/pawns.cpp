// Pawn structure: the rearmost pawn of each file (read by the piece and king
// terms too), connected pairs on neighbouring files, and each pawn's own
// points: placement, isolated, backward and lagging pawns, passed pawns and,
// in the endgame, the most advanced passer of each colour. What depends on
// the pawns alone is kept in the pawn table, so a structure seen before
// costs a lookup.
#include <cassert>
#include <cstdlib>
#include <cstring>

#include "eval/eval_terms.h"

namespace {

// pawn_table by square64 seen from WHITE, row 0 (the promotion row) first.
constexpr int pawn_table[64] = {
    0,  0,  0,   0,   0,  0,  0, 0,
    5, 10, 15,  20,  20, 15, 10, 5,
    4,  8, 12,  16,  16, 12,  8, 4,
    3,  6,  9,  12,  12,  9,  6, 3,
    2,  4,  6,   8,   8,  6,  4, 2,
    1,  2,  3, -10, -10,  3,  2, 1,
    0,  0,  0, -40, -40,  0,  0, 0,
    0,  0,  0,   0,   0,  0,  0, 0,
};

// Row a is ahead of row b (nearer the enemy back row) for colour c. A file
// without own pawns therefore counts as ahead (WHITE's none, -1, lies above
// every row, BLACK's, 8, below), as the backward test wants, while a file
// without enemy pawns is never ahead of a pawn of the other colour, as the
// passed-pawn tests want.
inline bool ahead(int c, int a, int b) { return c == WHITE ? a < b : a > b; }

// Rebuilds pawn_rear of both colours and returns the connected-pair points
// of side minus xside. A pair on neighbouring files, abreast or one row
// apart, scores by its leading pawn's advance: adv - 1 in the middlegame,
// 2 * adv in the endgame.
int duos(bool endgame) {
    int total[2] = {0, 0};
    for (int c = WHITE; c <= BLACK; ++c) {
        for (int f = 0; f < 10; ++f) ev.pawn_rear[c][f] = int8_t(PAWN_NONE[c]);
        int on_file[8][9];  // squares of the colour's pawns per file, zero-terminated
        int count[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        for (int i = 0; i < PAWN_RECORDS; ++i) {
            const PieceRecord& r = recs.piece_list[c][i];
            if (!r.alive || r.kind != PAWN) continue;
            const int f = square_file(r.square), row = square_row(r.square);
            if (ahead(c, ev.pawn_rear[c][f + 1], row)) ev.pawn_rear[c][f + 1] = int8_t(row);
            on_file[f][count[f]++] = r.square;
        }
        for (int f = 0; f < 7; ++f) {
            for (int i = 0; i < count[f]; ++i) {
                for (int j = 0; j < count[f + 1]; ++j) {
                    const int a = on_file[f][i], b = on_file[f + 1][j], d = a - b;
                    if (d != -1 && d != -17 && d != 15) continue;
                    const int adv_a = advance(c, square_row(a)), adv_b = advance(c, square_row(b));
                    const int lead = adv_a > adv_b ? adv_a : adv_b;
                    total[c] += endgame ? 2 * lead : lead - 1;
                }
            }
        }
    }
    return total[pos.side] - total[pos.xside];
}

// Steps 1 to 5 of a pawn's points, which read pawn_rear and nothing of the
// position but the pawns, in both measures: v[0] for game phases 1 and 2,
// v[1] for the endgame. Returns whether the pawn is passed (its passed-pawn
// terms then follow in passed_pawn_terms).
bool pawn_structure(int c, int sq, int v[2]) {
    const int e = c ^ 1;
    const int row = square_row(sq), f = square_file(sq), adv = advance(c, row);
    const int left = rear(c, f - 1), right = rear(c, f + 1);

    // 1. placement
    v[0] = pawn_table[own_index64(c, sq)];
    v[1] = 4 * adv;

    // 2. the left neighbour's rearmost pawn lags behind this one
    int common = 0;
    if (left != PAWN_NONE[c] && ahead(c, row, left)) common -= 10;

    // 3. isolated, or backward (every neighbouring own pawn is ahead)
    if (left == PAWN_NONE[c] && right == PAWN_NONE[c])
        common -= 20;
    else if (ahead(c, left, row) && ahead(c, right, row))
        common -= 8;
    v[0] += common;
    v[1] += common;

    // 4. an enemy pawn on a neighbouring file can still meet it
    if (ahead(c, rear(e, f - 1), row) || ahead(c, rear(e, f + 1), row)) return false;

    // 5. an enemy pawn ahead on its own file
    const int front = rear(e, f);
    if (front == row || ahead(c, front, row)) {
        v[0] += 5;
        v[1] += 10;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- the pawn table
PawnEntry& pawn_slot(const uint64_t pawns[2]) {
    const uint64_t h = pawns[WHITE] * 0x9E3779B97F4A7C15ull ^ (pawns[BLACK] + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    return ev.pawn_table_slots[h >> (64 - PAWN_TABLE_BITS)];
}

// Computes the entry of a pawn structure from its two sets.
void fill_pawn_entry(PawnEntry& entry, const uint64_t pawns[2]) {
    std::memset(&entry, 0, sizeof entry);
    entry.pawns[WHITE] = pawns[WHITE];
    entry.pawns[BLACK] = pawns[BLACK];
    for (int c = WHITE; c <= BLACK; ++c) {
        for (int f = 0; f < 10; ++f) ev.pawn_rear[c][f] = int8_t(PAWN_NONE[c]);
        for (uint64_t set = pawns[c]; set; set &= set - 1) {
            const int sq = square_of64(lowest_square64(set)), f = square_file(sq), row = square_row(sq);
            if (ahead(c, ev.pawn_rear[c][f + 1], row)) ev.pawn_rear[c][f + 1] = int8_t(row);
            ++entry.on_colour[c][square_colour(sq)];
        }
    }
    for (int c = WHITE; c <= BLACK; ++c) {
        for (uint64_t set = pawns[c]; set; set &= set - 1) {
            const int a = square_of64(lowest_square64(set));
            // the pairs with a pawn on the next file: abreast, one row down or one row up
            if (square_file(a) < 7) {
                const int partners[3] = {a + 1, a + 17, a - 15};
                for (const int b : partners) {
                    if (!on_board(b) || !(pawns[c] & square_bit(b))) continue;
                    const int adv_a = advance(c, square_row(a)), adv_b = advance(c, square_row(b));
                    const int lead = adv_a > adv_b ? adv_a : adv_b;
                    entry.duos[c][0] = int16_t(entry.duos[c][0] + lead - 1);
                    entry.duos[c][1] = int16_t(entry.duos[c][1] + 2 * lead);
                }
            }
            int v[2];
            if (pawn_structure(c, a, v)) entry.passers[c] |= square_bit(a);
            entry.structure[c][0] = int16_t(entry.structure[c][0] + v[0]);
            entry.structure[c][1] = int16_t(entry.structure[c][1] + v[1]);
        }
    }
    std::memcpy(entry.rear, ev.pawn_rear, sizeof entry.rear);
    entry.filled = 1;
}

}  // namespace

int pawn_duos() { return duos(false); }

int pawn_duos_endgame() { return duos(true); }

void scan_pawn_records(uint64_t pawns[2], uint32_t promoted[2]) {
    for (int c = WHITE; c <= BLACK; ++c) {
        uint64_t set = 0;
        uint32_t pieces = 0;
        for (int i = 0; i < PAWN_RECORDS; ++i) {
            const PieceRecord& r = recs.piece_list[c][i];
            if (!r.alive) continue;
            if (r.kind == PAWN)
                set |= square_bit(r.square);
            else
                pieces |= uint32_t(1) << i;
        }
        pawns[c] = set;
        promoted[c] = pieces;
    }
}

const PawnEntry& pawn_entry(const uint64_t pawns[2]) {
    PawnEntry& entry = pawn_slot(pawns);
    if (entry.filled && entry.pawns[WHITE] == pawns[WHITE] && entry.pawns[BLACK] == pawns[BLACK]) {
        std::memcpy(ev.pawn_rear, entry.rear, sizeof ev.pawn_rear);
    } else {
        fill_pawn_entry(entry, pawns);
    }
    return entry;
}

int pawn_entry_duos(const PawnEntry& entry, bool endgame) {
    return entry.duos[pos.side][endgame] - entry.duos[pos.xside][endgame];
}

int pawn_entry_points(const PawnEntry& entry, int c, bool endgame) {
    // the lone enemy bishop's colour, counted by square colour
    int away_from_bishop = 0;
    for (int colour = 0; colour < 2; ++colour)
        if (((colour + 2) ^ ev.bishop_code[c ^ 1]) == 1) away_from_bishop += entry.on_colour[c][colour];
    int v = entry.structure[c][endgame] + away_from_bishop;
    if (!entry.passers[c]) return v;
    // Passers in list order: the endgame's best passer keeps the first of equals.
    for (int i = 0; i < PAWN_RECORDS; ++i) {
        const PieceRecord& r = recs.piece_list[c][i];
        if (r.alive && r.kind == PAWN && (entry.passers[c] & square_bit(r.square))) v += passed_pawn_terms(c, r.square);
    }
    return v;
}

int evaluate_pawn(int c, int sq) {
    int v[2];
    const bool passed = pawn_structure(c, sq, v);
    const int own = v[ev.game_phase == 3];
    return passed ? own + passed_pawn_terms(c, sq) : own;
}

int passed_pawn_terms(int c, int sq) {
    const int e = c ^ 1;
    const int row = square_row(sq), f = square_file(sq), adv = advance(c, row);

    // 6. passed: by its advance, a little less when its stop square is held
    int v = (pos.board[sq + FORWARD[c]] ? 18 : 20) * adv;

    if (ev.game_phase == 3) {
        // 7. a lone bishop that cannot (or can) cover the promotion square
        const int promotion_code = 2 + square_colour(make_square(BACK_ROW[e], f));
        if ((promotion_code ^ ev.bishop_code[e]) == 1)
            v += 2 * adv;
        else if ((ev.bishop_code[c] == 2 || ev.bishop_code[c] == 3) && (promotion_code ^ ev.bishop_code[c]) == 1)
            v -= adv;

        // the most advanced passer; on one row the one farther from the enemy king
        const int best = ev.best_passer[c];
        if (best == 0 || adv > advance(c, square_row(best)))
            ev.best_passer[c] = sq;
        else if (square_row(best) == row &&
                 std::abs(f - ev.king_file[e]) > std::abs(square_file(best) - ev.king_file[e]))
            ev.best_passer[c] = sq;
    }
    return v;
}

int pawn_entry_ok(const PawnEntry& entry, bool endgame) {
    const int saved_best[2] = {ev.best_passer[WHITE], ev.best_passer[BLACK]};
    bool same = pawn_entry_duos(entry, endgame) == duos(endgame);  // duos rebuilds pawn_rear
    same = same && !std::memcmp(entry.rear, ev.pawn_rear, sizeof ev.pawn_rear);
    for (int c = WHITE; c <= BLACK; ++c) {
        ev.best_passer[WHITE] = ev.best_passer[BLACK] = 0;
        int walked = 0;
        for (int i = 0; i < PAWN_RECORDS; ++i) {
            const PieceRecord& r = recs.piece_list[c][i];
            if (r.alive && r.kind == PAWN) walked += evaluate_pawn(c, r.square) + lone_bishop_opposite(r.square, c ^ 1);
        }
        const int walked_best = ev.best_passer[c];
        ev.best_passer[WHITE] = ev.best_passer[BLACK] = 0;
        same = same && pawn_entry_points(entry, c, endgame) == walked && ev.best_passer[c] == walked_best;
    }
    ev.best_passer[WHITE] = saved_best[WHITE];
    ev.best_passer[BLACK] = saved_best[BLACK];
    return same;
}
