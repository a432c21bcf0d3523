// The square sets kept beside the board: every man, the men of each colour
// and of each colour and kind, the men standing in pawn records after a
// promotion, and the alive records (all, and the pawns) of each colour. Make
// and unmake update them move by move; set-up rebuilds them from the lists.
#include <cstring>

#include "board/board.h"

namespace {

int count_bits(uint64_t set) { return __builtin_popcountll(set); }

bool promoted(const PieceRecord& r, int i) { return r.kind != PAWN && i < PAWN_RECORDS; }

}  // namespace

void rebuild_square_sets() {
    pos.occupied = 0;
    std::memset(pos.color_men, 0, sizeof pos.color_men);
    std::memset(pos.kind_men, 0, sizeof pos.kind_men);
    std::memset(pos.alive_records, 0, sizeof pos.alive_records);
    std::memset(pos.pawn_records, 0, sizeof pos.pawn_records);
    std::memset(pos.promoted_men, 0, sizeof pos.promoted_men);
    for (int color = WHITE; color <= BLACK; ++color) {
        for (int i = 0; i < LIST_TERMINATOR; ++i) {
            const PieceRecord& r = recs.piece_list[color][i];
            if (!r.alive) continue;
            const uint64_t bit = square_bit(r.square);
            pos.occupied |= bit;
            pos.color_men[color] |= bit;
            pos.kind_men[color][r.kind] |= bit;
            pos.alive_records[color] |= uint32_t(1) << i;
            if (r.kind == PAWN) pos.pawn_records[color] |= uint32_t(1) << i;
            if (promoted(r, i)) pos.promoted_men[color] |= bit;
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
            const PieceRecord& r = recs.piece_list[color][i];
            if (!r.alive) continue;
            const uint64_t bit = square_bit(r.square);
            const uint32_t record = uint32_t(1) << i;
            if (!(pos.occupied & bit) || !(pos.color_men[color] & bit) || !(pos.kind_men[color][r.kind] & bit) ||
                !(pos.alive_records[color] & record))
                return 0;
            if (r.kind == PAWN && !(pos.pawn_records[color] & record)) return 0;
            if (promoted(r, i) && !(pos.promoted_men[color] & bit)) return 0;
            ++men;
            ++by_kind[r.kind];
            pawns += r.kind == PAWN;
            promotions += promoted(r, i);
        }
        if (count_bits(pos.color_men[color]) != men || count_bits(pos.alive_records[color]) != men ||
            count_bits(pos.pawn_records[color]) != pawns || count_bits(pos.promoted_men[color]) != promotions)
            return 0;
        for (int kind = PAWN; kind <= KING; ++kind)
            if (count_bits(pos.kind_men[color][kind]) != by_kind[kind]) return 0;
        all += men;
    }
    return count_bits(pos.occupied) == all;
}
