// vexmoth-tool run as a user runs it: good input works, and every kind of
// bad input gets a one-line error on standard error and exit status 2.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct ToolRun {
    int status;
    std::string out;
};

// Runs the tool with the shell words given; stderr is folded into the output.
ToolRun tool(const std::string& words) {
    const std::string command = std::string(VEXMOTH_TOOL) + " " + words + " 2>&1";
    ToolRun r{-1, ""};
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, p)) r.out += buffer;
    const int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

}  // namespace

TEST(Tool, GoodInput) {
    const ToolRun perft = tool("perft 3");
    EXPECT_EQ(perft.status, 0);
    EXPECT_EQ(perft.out.rfind("perft 3: 8902 nodes", 0), 0u) << perft.out;
    const ToolRun divide = tool("divide 1 '4k3/8/8/8/8/8/8/4K2R w K - 0 1'");
    EXPECT_EQ(divide.status, 0);
    EXPECT_NE(divide.out.find("e1g1"), std::string::npos);
    const std::string suite = testing::TempDir() + "suite.epd";
    std::ofstream(suite) << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 ;D1 20 ;D2 400\n";
    EXPECT_EQ(tool("perft-suite " + suite).status, 0);
    std::ofstream(suite) << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 ;D1 20 ;D2 401\n";
    EXPECT_EQ(tool("perft-suite " + suite).status, 1);
    const ToolRun search = tool("search --depth 3 '6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1'");
    EXPECT_EQ(search.status, 0);
    EXPECT_EQ(search.out.rfind("bestmove d1d8 score 7999", 0), 0u) << search.out;
    // On two threads the main thread's move and line are reported, with the
    // nodes of both threads.
    const ToolRun threaded = tool("search --depth 3 --threads 2 '6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1'");
    EXPECT_EQ(threaded.status, 0);
    EXPECT_EQ(threaded.out.rfind("bestmove d1d8 score 7999", 0), 0u) << threaded.out;
    const ToolRun bench = tool("bench 2 threads 2");
    EXPECT_EQ(bench.status, 0);
    EXPECT_NE(bench.out.find("Nodes searched: "), std::string::npos) << bench.out;
    // The back-rank mate is found and kept, on two threads.
    const std::string epd = testing::TempDir() + "mate.epd";
    std::ofstream(epd) << "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - bm Rd8#; id \"mate\"; c0 \"d1d8\";\n";
    const ToolRun solve = tool("solve " + epd + " --time 300 --threads 2");
    EXPECT_EQ(solve.status, 0);
    EXPECT_NE(solve.out.find("solved 1 of 1"), std::string::npos) << solve.out;
    // Two lines: the mate first, then the next best move.
    const ToolRun lines = tool("search --depth 3 --multipv 2 '6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1'");
    EXPECT_EQ(lines.status, 0);
    EXPECT_NE(lines.out.find("\nline 1 score 7999 depth 3 pv d1d8"), std::string::npos) << lines.out;
    EXPECT_NE(lines.out.find("\nline 2 score "), std::string::npos) << lines.out;
    EXPECT_EQ(lines.out.find("\nline 3 "), std::string::npos) << lines.out;
    const ToolRun eval = tool("eval");
    EXPECT_EQ(eval.status, 0);
    EXPECT_EQ(eval.out.rfind("score ", 0), 0u) << eval.out;
}

TEST(Tool, BadInput) {
    const char* bad[] = {
        "perft",
        "perft -1",
        "perft x",
        "perft 3 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w'",
        "perft 3 'rnbqkbnr/ppppxppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1'",
        "perft 3 'rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1'",
        "perft 3 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq z9 0 1'",
        "perft 3 '4k3/8/8/8/8/8/PPPPPPPP/P3K3 w - - 0 1'",
        "perft 3 '8/8/8/8/8/8/8/4K3 w - - 0 1'",
        "perft 3 '4k3/8/8/8/8/8/8/4KK2 w - - 0 1'",
        "perft 3 '4k3/4Q3/8/8/8/8/8/4K3 w - - 0 1'",
        "perft-suite /nonexistent/suite.epd",
        "eval '4k3/8/8/8/8/8/8/4K3 w - - 0 1' 100 50",
        "search --depth 0",
        "search --time",
        "search --option nullmove=2",
        "bench 99",
        "bench 4 threads 0",
        "bench 4 threads",
        "bench 4 thread 2",
        "search --depth 3 --threads 257",
        "search --multipv 0",
        "bench 3 multipv",
        "bench 3 4",
        "no-such-command",
    };
    for (const char* words : bad) {
        const ToolRun r = tool(words);
        EXPECT_EQ(r.status, 2) << words << "\n" << r.out;
        EXPECT_FALSE(r.out.empty()) << words;
    }
    const std::string suite = testing::TempDir() + "broken.epd";
    std::ofstream(suite) << "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 ;D1 twenty\n";
    EXPECT_EQ(tool("perft-suite " + suite).status, 2);
    // A suite line without its best moves, a missing file, a bad flag.
    std::ofstream(suite) << "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - bm Rd8#;\n";
    EXPECT_EQ(tool("solve " + suite).status, 2);
    EXPECT_EQ(tool("solve /nonexistent/suite.epd").status, 2);
    EXPECT_EQ(tool("solve " + suite + " --threads 0").status, 2);
}
