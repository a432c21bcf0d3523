// The bench signature: the node total of the built-in bench positions at a
// small depth. Any change to generation order, scoring, evaluation or search
// moves it; a change that alters the search on purpose updates it here, in
// the same commit, with the reason.
#include <gtest/gtest.h>

#include "tools/tools.h"
#include "test_support.h"

namespace {
using Bench = EngineTest;
constexpr int BENCH_TEST_DEPTH = 4;
constexpr int64_t BENCH_SIGNATURE = 900803;
}  // namespace

TEST_F(Bench, SignatureIsStable) {
    EXPECT_EQ(run_bench(BENCH_TEST_DEPTH, false), BENCH_SIGNATURE);
    // A second run from cleared tables gives the same count.
    EXPECT_EQ(run_bench(BENCH_TEST_DEPTH, false), BENCH_SIGNATURE);
}
