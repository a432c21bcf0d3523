// The opponent's move text against the ply-0 list of a position reached by
// random legal play. Input: byte 0 picks a start position, byte 1 how many
// random moves to play, bytes 2-5 seed the choice of moves; the rest is the
// line. The index returned must be -1 or an entry of the ply-0 list, and an
// entry must be the move the first five characters name; a line that does
// not start with two squares a-h 1-8 names none.
#include "../play_out_starts.h"
#include "fuzz_support.h"
#include "search/search.h"
#include "tools/tools.h"

namespace {


uint32_t rng;
uint32_t next_random() {
    rng = rng * 1664525u + 1013904223u;
    return rng >> 8;
}

// Plays a random legal move of the ply-0 list; 0 when there is none. The
// list is tried from a random entry on, so that only a few moves are made
// and taken back (each make and unmake checks the whole board in this build).
int play_random_move() {
    const int count = last_move[0] - first_move[0];
    if (count <= 0) return 0;
    const int start = int(next_random() % uint32_t(count));
    for (int k = 0; k < count; ++k) {
        const Move m = move_list[first_move[0] + (start + k) % count].move;
        if (!make_legal_move(m)) continue;
        generate_root_moves();
        if (!king_capture) return 1;
        // Cannot happen after a legal move; the front end would take it back.
        unmake_move();
        generate_root_moves();
        return 0;
    }
    return 0;
}

bool coordinate(const char* s) {
    for (int i = 0; i < 4; i += 2)
        if (s[i] < 'a' || s[i] > 'h' || s[i + 1] < '1' || s[i + 1] > '8') return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_start_up(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    const char* error = nullptr;
    FUZZ_CHECK(set_position_from_fen(PLAY_OUT_STARTS[data[0] % PLAY_OUT_START_COUNT], &error));
    const int plies = data[1] % 64;
    rng = uint32_t(data[2]) | uint32_t(data[3]) << 8 | uint32_t(data[4]) << 16 | uint32_t(data[5]) << 24;
    generate_root_moves();
    for (int n = 0; n < plies && play_random_move(); ++n) {
    }
    const std::string line = input_text(data + 6, size - 6);
    const char* text = line.c_str();

    const int index = parse_user_move(text);
    FUZZ_CHECK(index == -1 || (index >= first_move[0] && index < last_move[0]));

    // What the line names when it starts with coordinates: the entry whose
    // text it starts with, the promotion letter right after the squares.
    int named = -1;
    if (line.size() >= 4 && coordinate(text)) {
        for (int i = first_move[0]; i < last_move[0]; ++i) {
            const std::string wanted = long_algebraic(move_list[i].move);
            if (line.compare(0, wanted.size(), wanted) == 0) {
                named = i;
                break;
            }
        }
        FUZZ_CHECK(index == named);
    }
    if (index < 0) return 0;

    // Only coordinates name a move: other characters never reach a square.
    FUZZ_CHECK(coordinate(text));
    const std::string t = long_algebraic(move_list[index].move);
    FUZZ_CHECK(line.compare(0, t.size(), t) == 0);
    return 0;
}
