// The search on several threads: whatever the helpers did, the main thread
// plays a legal move with a line that replays legally and leaves its
// position as it found it; the shared table stays sound with many threads
// on a small table; and a slot mixed by two writers is refused.
#include <gtest/gtest.h>

#include <cstdlib>

#include "search/search_internal.h"
#include "play_out_starts.h"
#include "test_support.h"
#include "tools/tools.h"

namespace {

using Threads = EngineTest;

// Every move of the line is a legal move where it stands; the position is
// taken back to the root afterwards.
void expect_legal_line(const char* fen) {
    int made = 0;
    for (int i = 0; i < pv_length[0]; ++i) {
        const std::vector<Move> legal = legal_moves();
        if (std::find(legal.begin(), legal.end(), pv[0][i]) == legal.end()) {
            ADD_FAILURE() << fen << ": move " << i << " of the line, " << move_text(pv[0][i]) << ", is not legal";
            break;
        }
        ASSERT_TRUE(make_legal_move(pv[0][i]));
        ++made;
    }
    while (made--) unmake_move();
}

// One search from the FEN with a budget of time_ms on the threads the test
// set: a legal move, a score on the scale, a legal line, the position as it
// was.
void expect_sound_search(const char* fen, int time_ms) {
    setup(fen);
    const uint64_t key = hash_key;
    const std::vector<Move> legal = legal_moves();
    search_position(MAX_ITERATION - 1, time_ms);
    EXPECT_EQ(ply, 0);
    EXPECT_EQ(history_count, 0);
    EXPECT_EQ(hash_key, key);
    EXPECT_TRUE(board_is_ok());
    if (legal.empty()) return;
    ASSERT_NE(std::find(legal.begin(), legal.end(), pv[0][0]), legal.end()) << fen;
    EXPECT_GT(root_score, -MATE) << fen;
    EXPECT_LT(root_score, MATE) << fen;
    expect_legal_line(fen);
}

}  // namespace

TEST_F(Threads, SearchesOnTwoToFourThreadsAreSound) {
    for (int threads = 2; threads <= 4; ++threads) {
        set_search_threads(threads);
        ASSERT_EQ(search_threads(), threads);
        // Short searches on the clock, so that the sanitizer builds do as
        // many as the Release build.
        for (const char* fen : PLAY_OUT_STARTS) expect_sound_search(fen, 25);
        for (const char* fen : BENCH_FENS) expect_sound_search(fen, 25);
    }
    // The helpers searched too, and their nodes are counted with the main
    // thread's (from an empty table, which has no early answer at the root).
    set_search_threads(2);
    hash_clear();
    expect_sound_search(PLAY_OUT_STARTS[1], 100);
    EXPECT_GT(nodes_searched(), nodes);
    // The count is clamped to what the engine takes.
    set_search_threads(0);
    EXPECT_EQ(search_threads(), 1);
    set_search_threads(MAX_THREADS + 1);
    EXPECT_EQ(search_threads(), MAX_THREADS);
    set_search_threads(1);
}

// The smallest table with four threads: every slot is fought over, and a
// search of a position after a few random moves must still come out sound.
TEST_F(Threads, SmallestTableWithFourThreads) {
    ASSERT_GT(hash_init(5), 0);
    set_search_threads(4);
    for (int round = 0; round < 60; ++round) {
        const char* fen = PLAY_OUT_STARTS[round % PLAY_OUT_START_COUNT];
        setup(fen);
        for (int plies = int(next_random() % 8); plies > 0; --plies) {
            const std::vector<Move> legal = legal_moves();
            if (legal.empty()) break;
            make_move(legal[next_random() % legal.size()]);
        }
        compute_hash_key();
        const int moves_before = history_count;
        const std::vector<Move> legal = legal_moves();
        search_position(MAX_ITERATION - 1, 15);
        EXPECT_EQ(history_count, moves_before);
        if (!legal.empty()) {
            EXPECT_NE(std::find(legal.begin(), legal.end(), pv[0][0]), legal.end()) << fen;
        }
    }
    set_search_threads(1);
}

// A slot whose lock and data come from two different stores reads as a
// miss, as a slot of another position does.
TEST_F(Threads, MixedSlotIsAMiss) {
    compute_hash_key();
    hash_store(HASH_EXACT, 5, 40, 0);
    EXPECT_TRUE(hash_hit());
    hash_entry->info ^= 1u << 12;  // another store's move, under this store's lock
    EXPECT_FALSE(hash_hit());
    hash_entry->info ^= 1u << 12;
    hash_entry->score_bound ^= 4;  // another store's score
    EXPECT_FALSE(hash_hit());
}
