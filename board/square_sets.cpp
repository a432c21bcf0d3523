// The square sets kept beside the board: every man, the men of each colour
// and of each colour and kind, the men standing in pawn records after a
// promotion, and the alive records (all, and the pawns) of each colour. Make
// and unmake update them move by move; set-up rebuilds them from the lists.
#include <cstring>

#include "board/board.h"

uint64_t occupied;
uint64_t color_men[2];
uint64_t kind_men[2][6];
uint32_t alive_records[2];
uint32_t pawn_records[2];
uint64_t promoted_men[2];

namespace {

struct SquareSets {
    uint64_t occupied;
    uint64_t color_men[2];
    uint64_t kind_men[2][6];
    uint32_t alive_records[2];
    uint32_t pawn_records[2];
    uint64_t promoted_men[2];
};

SquareSets sets_from_lists() {
    SquareSets s;
    std::memset(&s, 0, sizeof s);
    for (int color = WHITE; color <= BLACK; ++color) {
        for (int i = 0; i < LIST_TERMINATOR; ++i) {
            const PieceRecord& r = piece_list[color][i];
            if (!r.alive) continue;
            const uint64_t bit = square_bit(r.square);
            s.occupied |= bit;
            s.color_men[color] |= bit;
            s.kind_men[color][r.kind] |= bit;
            s.alive_records[color] |= uint32_t(1) << i;
            if (r.kind == PAWN) s.pawn_records[color] |= uint32_t(1) << i;
            if (r.kind != PAWN && i < PAWN_RECORDS) s.promoted_men[color] |= bit;
        }
    }
    return s;
}

}  // namespace

void rebuild_square_sets() {
    const SquareSets s = sets_from_lists();
    occupied = s.occupied;
    std::memcpy(color_men, s.color_men, sizeof color_men);
    std::memcpy(kind_men, s.kind_men, sizeof kind_men);
    std::memcpy(alive_records, s.alive_records, sizeof alive_records);
    std::memcpy(pawn_records, s.pawn_records, sizeof pawn_records);
    std::memcpy(promoted_men, s.promoted_men, sizeof promoted_men);
}

int square_sets_ok() {
    const SquareSets s = sets_from_lists();
    return s.occupied == occupied && !std::memcmp(s.color_men, color_men, sizeof color_men) &&
           !std::memcmp(s.kind_men, kind_men, sizeof kind_men) &&
           !std::memcmp(s.alive_records, alive_records, sizeof alive_records) &&
           !std::memcmp(s.pawn_records, pawn_records, sizeof pawn_records) &&
           !std::memcmp(s.promoted_men, promoted_men, sizeof promoted_men);
}
