// vexmoth-tool run as a user runs it: good input works, bad input gets an error and exit status 2. The
// score curve is drawn from a real log (games against Fairy-Max in xboard) and from a made-up one.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// A directory of this test process alone, made when a test first needs it (listing the tests makes none).
const std::string& temp() {
    static const std::string dir = make_temp_dir() + "/";
    return dir;
}
const std::string REAL_LOG = "'" VEXMOTH_DATA_DIR "/match_vexmolog.txt'";
const std::string HEADER = "No Hash Table used\nnullmove On\npre_prune On\ntune On\nresearch On\nfractional On\n"
                           "nega_scout On\n\n";
const std::string START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const std::string BACK_RANK = "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -", BACK_RANK_MATE = "'" + BACK_RANK + " 0 1'";
// A Chess960 start position (Shredder-FEN) with its published counts.
const std::string START_960 = "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 0 1";

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun tool(const std::string& words) {
    const int raw = std::system((VEXMOTH_TOOL " " + words + " >" + temp() + "out.txt 2>" + temp() + "err.txt").c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(temp(), "out.txt"), read_file(temp(), "err.txt")};
}

// Writes a file into the temporary directory and returns its path, quoted for the shell.
std::string file(const std::string& name, const std::string& text) {
    write_file(temp(), name, text);
    return "'" + temp() + name + "'";
}

struct Point {
    double x, y;
    bool red;
};

// The points of a curve, in the order drawn.
std::vector<Point> points_of(const std::string& svg) {
    std::vector<Point> points;
    for (size_t at = svg.find("<circle "); at != std::string::npos; at = svg.find("<circle ", at + 1)) {
        const auto value = [&](const std::string& name) { return svg.find(name + "=\"", at) + name.size() + 2; };
        points.push_back({std::stod(svg.substr(value("cx"), 9)), std::stod(svg.substr(value("cy"), 9)),
                          svg.compare(value("fill"), 7, "#c0262d") == 0});
    }
    return points;
}

}  // namespace

TEST(Tool, GoodInput) {
    const struct {
        std::string words;
        int status;
        std::vector<std::string> texts;  // held by the output ("!" first: not held)
    } runs[] = {
        {"perft 3", 0, {"\nperft 3: 8902 nodes"}},
        {"divide 1 '4k3/8/8/8/8/8/8/4K2R w K - 0 1'", 0, {"\ne1g1 1"}},
        // Chess960 where standard chess refuses the FEN: Shredder-FEN, X-FEN, castling as king takes rook.
        {"divide 1 '4k3/8/8/8/8/8/8/4K2R w H - 0 1'", 0, {"\ne1h1 1"}},
        {"divide 1 '4k3/8/8/8/8/8/8/1R3K1R w KQ - 0 1'", 0, {"\nf1h1 1", "\nf1b1 1"}},
        {"perft-suite " + file("960.epd", START_960 + " ;D1 21 ;D2 528 ;D3 12189\n"), 0, {}},
        {"search --depth 3 '" + START_960 + "'", 0, {"\nbestmove "}},
        {"perft-suite " + file("good.epd", START + " ;D1 20 ;D2 400\n"), 0, {}},
        {"perft-suite " + file("wrong.epd", START + " ;D1 20 ;D2 401\n"), 1, {}},
        {"search --depth 3 " + BACK_RANK_MATE, 0, {"\nbestmove d1d8 score 7999"}},
        {"bench 2 threads 2", 0, {"\nNodes searched: "}},
        {"solve " + file("mate.epd", BACK_RANK + " bm Rd8#; c0 \"d1d8\";\n") + " --time 300 --threads 2", 0,
         {"solved 1 of 1"}},
        {"search --depth 3 --multipv 2 " + BACK_RANK_MATE, 0,
         {"\nline 1 score 7999 depth 3 pv d1d8", "\nline 2 score ", "!\nline 3 "}},
        {"eval", 0, {"\nscore 0 phase 1 material 0 (white to move"}},  // the start is symmetric
        // A limit finds the mate all the same; its lines are shown.
        {"search --elo 600 --seed 18446744073709551615 " + BACK_RANK_MATE, 0,
         {"\nbestmove d1d8 score 7999", "\nline 2 score "}},
        // The queen hangs to the pawn: no level leaves her there. A mate to play is not judged.
        {"blunders " + file("hanging.epd", "k7/8/8/8/3p4/4Q3/8/4K3 w - -\n" + BACK_RANK + "\n") +
             " --elo 600,1000 --seeds 2 --depth 4", 0,
         {"\n1 of 2 positions", "\n600        2 ", "\n1000       2 ", "!\nblunder "}},
    };
    for (const auto& run : runs) {
        const ToolRun r = tool(run.words);
        EXPECT_EQ(r.status, run.status) << run.words << "\n" << r.err;
        expect_holds("\n" + r.out, run.texts, run.words);
    }
}

// Status 2, nothing on standard output and an error on standard error; a curve's on one line, and no
// picture written. One row for each kind of error message.
TEST(Tool, BadInput) {
    const std::string picture = temp() + "never.svg", into = " '" + picture + "'", game_1 = "game 1\n\n   0  e2e4 ";
    const std::vector<std::string> bad = {
        // Depth; the FEN errors that the UCI bad-input test does not show, and a pawn on the first rank.
        "perft", "perft x", "perft 3 '4k3/8/8/8/8/8/8/4K3'", "perft 3 '4kx2/8/8/8/8/8/8/4K3 w - - 0 1'",
        "perft 3 '4k2/8/8/8/8/8/8/4K3 w - - 0 1'", "perft 3 '4k3/8/8/8/8/8/8/4K3 w - z9 0 1'",
        "perft 3 '4k3/8/8/8/8/8/8/P3K3 w - - 0 1'", "perft 3 '4k3/8/8/8/8/8/8/R3K3 w K - 0 1'",
        "perft-suite " + file("bad960.epd", "4k3/8/8/8/8/8/8/4K1RR w HG - 0 1 ;D1 5\n"),
        "perft-suite /nonexistent/suite.epd", "perft-suite " + file("broken.epd", START + " ;D1 twenty\n"),
        "eval '4k3/8/8/8/8/8/8/4K3 w - - 0 1' 100 50", "search --depth 0", "search --time",
        "search --option nullmove=2", "search --elo 599", "search --elo 1901", "search --elo strong",
        "search --seed -1", "search --seed 18446744073709551616", "search --seed", "blunders --elo 600,500",
        "blunders --seeds 0", "blunders /nonexistent/positions.epd",
        "blunders " + file("refused.epd", "8/8/8/8/8/8/8/K7 w - -\n"), "bench 99", "bench 4 threads", "bench 4 thread 2", "no-such-command",
        // A suite line without its best moves, a missing suite.
        "solve " + file("no_best.epd", BACK_RANK + " bm Rd8#;\n"), "solve /nonexistent/suite.epd",
        // No log; a missing one, an empty one, a bad score, no engine move; a game without an engine move, a
        // bad game number; a picture that cannot be written.
        "curve", "curve '" + temp() + "no-such-log.txt'" + into, "curve " + file("empty.txt", "") + into,
        "curve " + file("bad_score.txt", HEADER + game_1 + "score(x) iter(5) nps(1) hashhit (0)\n") + into,
        "curve " + file("opponent_only.txt", HEADER + game_1 + "\n\ngame 2\n\n") + into,
        "curve --game 1 " + REAL_LOG + into, "curve --game x " + REAL_LOG + into,
        "curve " + REAL_LOG + " '" + temp() + "no-such-dir/out.svg'",
    };
    for (const std::string& words : bad) {
        std::remove(picture.c_str());
        const ToolRun r = tool(words);
        EXPECT_EQ(r.status, 2) << words;
        EXPECT_EQ(r.out, "") << words;
        EXPECT_NE(r.err, "") << words;
        if (words.rfind("curve", 0) != 0) continue;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << words << "\n" << r.err;
        EXPECT_EQ(read_file(temp(), "never.svg"), "<missing>") << words;
    }
}

// The log holds an empty game 1 (xboard starts with two "new"), game 2 (67 moves of the engine, lost to
// a mate it saw coming for its last five, the last at -8000 without a move) and game 3 (65 moves).
TEST(Curve, RealGamesAndClippedScores) {
    ToolRun r = tool("curve " + REAL_LOG + " '" + temp() + "last.svg'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    const std::string last = read_file(temp(), "last.svg");
    // Well-formed XML, where xmllint (libxml2-utils) is installed.
    EXPECT_TRUE(system("command -v xmllint >/dev/null") || !system(("xmllint --noout " + temp() + "last.svg").c_str()));
    EXPECT_EQ(points_of(last).size(), 65u);
    expect_holds(last, {"<title>Vexmoth's score in game 3 of ", ">move<", ">score in pawns", ">+10<", ">-10<", ">0<"},
                 "game 3");
    // Without OUT.svg the picture goes to standard output; the mates are red.
    r = tool("curve --game 2 " + REAL_LOG);
    std::vector<Point> p = points_of(r.out);
    ASSERT_EQ(p.size(), 67u);
    for (size_t i = 0; i < p.size(); ++i) EXPECT_EQ(p[i].red, i >= 62) << i;
    // Made up: 0, +2.5, +10, +15 (clipped to +10), a mate found (on the edge), -15 (to -10), mated.
    std::string log = HEADER + "game 1\n\n";
    int move = 0;
    for (const char* score : {"0", "250", "1000", "1500", "7990", "-1500", "-8000"})
        log += "   " + std::to_string(move++) + "  e2e4 score(" + score + ") iter(5) nps(1000) hashhit (0)\n";
    r = tool("curve " + file("clip_log.txt", log));
    ASSERT_EQ(r.status, 0) << r.err;
    p = points_of(r.out);
    ASSERT_EQ(p.size(), 7u);
    const double zero = p[0].y, top = p[2].y, bottom = p[6].y;
    EXPECT_LT(top, zero);
    EXPECT_NEAR(zero, (top + bottom) / 2, 0.11);
    EXPECT_NEAR(zero - p[1].y, (zero - top) / 4, 0.11);
    EXPECT_TRUE(p[3].y == top && p[4].y == top && p[5].y == bottom);
    EXPECT_TRUE(p[4].red && p[6].red && !p[3].red);
    // One move number apart, one step apart, left to right.
    for (size_t i = 2; i < p.size(); ++i) EXPECT_NEAR(p[i].x - p[i - 1].x, p[1].x - p[0].x, 0.11);
}
