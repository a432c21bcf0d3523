// Helpers shared by the tests.
#pragma once

#include <string>
#include <vector>

#include "board/board.h"

// Builds the start-up tables once per test process.
void init_test_tables();
// Sets up a FEN position; fails the current test when the FEN is refused.
void setup(const char* fen);
// The move of the ply-0 list written as text, or 0 when it is not there.
Move find_move(const char* text);
// Every move of the current ply's list as text, in list order.
std::vector<std::string> list_texts();
