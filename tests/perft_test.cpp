// Perft counts against the published suite: the move generator, make and
// unmake together reproduce every count of every position.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "test_support.h"
#include "tools/tools.h"

namespace {

using Perft = EngineTest;

struct SuiteLine {
    std::string fen;
    std::vector<unsigned long long> counts;  // counts[d - 1] for depth d
};

std::vector<SuiteLine> read_suite() {
    std::vector<SuiteLine> lines;
    FILE* f = std::fopen(VEXMOTH_DATA_DIR "/perft.epd", "r");
    if (!f) return lines;
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, f)) {
        char* semicolon = std::strchr(buffer, ';');
        if (!semicolon) continue;
        SuiteLine line;
        line.fen.assign(buffer, semicolon);
        for (char* p = semicolon; p; p = std::strchr(p + 1, ';')) {
            int depth;
            unsigned long long n;
            if (std::sscanf(p, ";D%d %llu", &depth, &n) == 2) line.counts.push_back(n);
        }
        lines.push_back(line);
    }
    std::fclose(f);
    return lines;
}

// Deep enough to reach promotions, castling and en passant in every
// position, shallow enough to keep the suite within a few seconds.
TEST_F(Perft, PublishedSuite) {
    const std::vector<SuiteLine> suite = read_suite();
    ASSERT_EQ(suite.size(), 7u);
    for (size_t i = 0; i < suite.size(); ++i) {
        const int max_depth = i == 0 ? 5 : (i == 2 ? 5 : 4);
        const char* error = nullptr;
        ASSERT_TRUE(set_position_from_fen(suite[i].fen.c_str(), &error)) << error;
        for (int d = 1; d <= max_depth && d <= int(suite[i].counts.size()); ++d)
            EXPECT_EQ(perft(d), suite[i].counts[d - 1]) << suite[i].fen << " depth " << d;
        EXPECT_EQ(ply, 0);
        EXPECT_EQ(history_count, 0);
    }
}

}  // namespace
