// The opponent's move text against the ply-0 list of a position reached by random legal play. Byte 0 picks a
// start, byte 1 how many random moves to play, bytes 2-5 seed their choice, the rest is the line. The index
// returned must name the entry whose text the line starts with (the promotion letter right after the
// squares), and be -1 when none is named or the line does not start with two squares a-h 1-8.
#include "../play_out_starts.h"
#include "fuzz_support.h"

namespace {

uint32_t rng;

// Plays a random legal move of the ply-0 list, tried from a random entry on (each make and unmake checks
// the whole board in this build); false when there is none.
bool play_random_move() {
    const int count = pos.last_move[0] - pos.first_move[0];
    rng = rng * 1664525u + 1013904223u;
    const int start = count > 0 ? int((rng >> 8) % uint32_t(count)) : 0;
    for (int k = 0; k < count; ++k)
        if (make_legal_move(pos.move_list[pos.first_move[0] + (start + k) % count].move)) {
            generate_root_moves();
            FUZZ_CHECK(!pos.king_capture);  // a legal move never leaves the mover's king to be taken
            return true;
        }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_engine(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    const char* error = nullptr;
    FUZZ_CHECK(set_position_from_fen(PLAY_OUT_STARTS[data[0] % PLAY_OUT_START_COUNT], &error, 1));
    std::memcpy(&rng, data + 2, sizeof rng);  // little-endian, as the corpus was written
    generate_root_moves();
    for (int n = data[1] % 64; n > 0 && play_random_move(); --n) {
    }
    const std::string line = input_text(data + 6, size - 6);
    bool squares = line.size() >= 4;
    for (int i = 0; i < 4; ++i) squares = squares && line[i] >= "a1"[i % 2] && line[i] <= "h8"[i % 2];
    int named = -1;
    for (int i = pos.first_move[0]; squares && named < 0 && i < pos.last_move[0]; ++i)
        if (line.rfind(long_algebraic(pos.move_list[i].move), 0) == 0) named = i;
    FUZZ_CHECK(parse_user_move(line.c_str()) == named);
    return 0;
}
