// The square sets kept beside the board: every man, the men of each colour
// and of each colour and kind, the men standing in pawn records after a
// promotion, and the alive records (all, and the pawns) of each colour. Make
// and unmake update them move by move; set-up rebuilds them from the lists.
#include <cstring>

#include "board/board.h"

thread_local uint64_t occupied;
thread_local uint64_t color_men[2];
thread_local uint64_t kind_men[2][6];
thread_local uint32_t alive_records[2];
thread_local uint32_t pawn_records[2];
thread_local uint64_t promoted_men[2];

namespace {

int count_bits(uint64_t set) { return __builtin_popcountll(set); }

bool promoted(const PieceRecord& r, int i) { return r.kind != PAWN && i < PAWN_RECORDS; }

}  // namespace

void rebuild_square_sets() {
    occupied = 0;
    std::memset(color_men, 0, sizeof color_men);
    std::memset(kind_men, 0, sizeof kind_men);
    std::memset(alive_records, 0, sizeof alive_records);
    std::memset(pawn_records, 0, sizeof pawn_records);
    std::memset(promoted_men, 0, sizeof promoted_men);
    for (int color = WHITE; color <= BLACK; ++color) {
        for (int i = 0; i < LIST_TERMINATOR; ++i) {
            const PieceRecord& r = piece_list[color][i];
            if (!r.alive) continue;
            const uint64_t bit = square_bit(r.square);
            occupied |= bit;
            color_men[color] |= bit;
            kind_men[color][r.kind] |= bit;
            alive_records[color] |= uint32_t(1) << i;
            if (r.kind == PAWN) pawn_records[color] |= uint32_t(1) << i;
            if (promoted(r, i)) promoted_men[color] |= bit;
        }
    }
}

// Every set holds the bit of every alive man it should hold, and holds no
// more bits than there are such men: then it is exactly the set the lists
// give.
int square_sets_ok() {
    int all = 0;
    for (int color = WHITE; color <= BLACK; ++color) {
        int men = 0, pawns = 0, promotions = 0, by_kind[6] = {0, 0, 0, 0, 0, 0};
        for (int i = 0; i < LIST_TERMINATOR; ++i) {
            const PieceRecord& r = piece_list[color][i];
            if (!r.alive) continue;
            const uint64_t bit = square_bit(r.square);
            const uint32_t record = uint32_t(1) << i;
            if (!(occupied & bit) || !(color_men[color] & bit) || !(kind_men[color][r.kind] & bit) ||
                !(alive_records[color] & record))
                return 0;
            if (r.kind == PAWN && !(pawn_records[color] & record)) return 0;
            if (promoted(r, i) && !(promoted_men[color] & bit)) return 0;
            ++men;
            ++by_kind[r.kind];
            pawns += r.kind == PAWN;
            promotions += promoted(r, i);
        }
        if (count_bits(color_men[color]) != men || count_bits(alive_records[color]) != men ||
            count_bits(pawn_records[color]) != pawns || count_bits(promoted_men[color]) != promotions)
            return 0;
        for (int kind = PAWN; kind <= KING; ++kind)
            if (count_bits(kind_men[color][kind]) != by_kind[kind]) return 0;
        all += men;
    }
    return count_bits(occupied) == all;
}
