#include "test_support.h"

#include <gtest/gtest.h>

#include "driver/driver.h"
#include "eval/eval.h"
#include "tools/tools.h"

void init_test_tables() {
    static bool done = false;
    if (done) return;
    init_bit_count();
    init_tables();
    new_position();
    done = true;
}

void setup(const char* fen) {
    init_test_tables();
    const char* error = nullptr;
    ASSERT_TRUE(set_position_from_fen(fen, &error)) << fen << ": " << error;
}

Move find_move(const char* text) {
    for (int i = first_move[ply]; i < last_move[ply]; ++i)
        if (move_text(move_list[i].move) == std::string(text)) return move_list[i].move;
    return 0;
}

std::vector<std::string> list_texts() {
    std::vector<std::string> texts;
    for (int i = first_move[ply]; i < last_move[ply]; ++i) texts.push_back(move_text(move_list[i].move));
    return texts;
}
