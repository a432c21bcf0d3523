// The Syzygy endgame tables: the board's adapter against fathom's verdicts, conversions against the tables'
// longest resistance, refused tables, both front ends' options, and two threads probing. The tables committed
// under tests/data/syzygy serve a fresh clone; with ../shared beside the checkout every 3-4-man ending is checked.
// Without the probing library every test but the refusal's is skipped.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "log_format.h"
#include "search/search_internal.h"
#include "test_support.h"

namespace {

using Tablebases = EngineTest;
using Threads = EngineTest;

const std::string COMMITTED = std::string(VEXMOTH_DATA_DIR) + "/syzygy";
const std::string SHARED = std::string(VEXMOTH_DATA_DIR) + "/../../../shared/data/syzygy";

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The ending's table name for the position's men ("KQvKR"), the side with more first as Syzygy names it.
std::string ending_name(const std::string& fen) {
    std::string men[2];
    for (const char kind : std::string("KQRBNP"))
        for (const char c : fen.substr(0, fen.find(' ')))
            if (c == kind || c == kind + 32) men[c == kind ? 0 : 1] += kind;
    const std::string a = men[0] + "v" + men[1], b = men[1] + "v" + men[0];
    return exists(COMMITTED + "/" + a + ".rtbw") || exists(SHARED + "/" + a + ".rtbw") ? a : b;
}

int wdl_of(const std::string& word) {
    const char* const names[] = {"Loss", "Blessed Loss", "Draw", "Cursed Win", "Win"};
    for (int i = 0; i < 5; ++i)
        if (word == names[i]) return i;
    return -1;
}

// The legal move with the longest resistance by the tables: the best result for the side to move, then the
// slowest to zero when it loses (the quickest when it wins).
Move tables_best_move() {
    generate_root_moves();
    std::vector<RootTableResult> results(size_t(pos.last_move[0] - pos.first_move[0]));
    int dtz;
    if (probe_root(results.data(), &dtz) < 0) return 0;
    Move best = 0;
    int best_wdl = -1, best_dtz = 0;
    for (size_t i = 0; i < results.size(); ++i) {
        const int w = results[i].wdl, d = results[i].dtz;
        if (w < 0) continue;
        const bool better = w > best_wdl || (w == best_wdl && (w < WDL_DRAW ? d > best_dtz : d < best_dtz));
        if (better) best = pos.move_list[pos.first_move[0] + i].move, best_wdl = w, best_dtz = d;
    }
    return best;
}

void play(Move m) {
    ASSERT_TRUE(make_legal_move(m)) << move_text(m);
    compute_hash_key();
    generate_root_moves();
}

}  // namespace

TEST_F(Tablebases, AgreeWithFathom) {
    if (!tables_supported()) GTEST_SKIP() << "built without libfathom";
    const bool shared = exists(SHARED + "/KQvK.rtbw");
    const TableLoad load = load_tables((COMMITTED + (shared ? ":" + SHARED : "")).c_str());
    EXPECT_EQ(load.problem_count, 0) << load.problems[0];
    EXPECT_EQ(load.tables, shared ? 35 : 6);
    EXPECT_EQ(load.men, 4);
    std::ifstream in(COMMITTED + "/positions.txt");
    int checked = 0, lines = 0;
    for (std::string line; std::getline(in, line); ++lines) {
        std::istringstream fields(line);
        std::string fen, wdl_word, dtz_word;
        std::getline(fields, fen, ';');
        std::getline(fields, wdl_word, ';');
        std::getline(fields, dtz_word);
        if (!shared && !exists(COMMITTED + "/" + ending_name(fen) + ".rtbw")) continue;
        setup(fen.c_str());
        generate_root_moves();
        std::vector<RootTableResult> entries(size_t(pos.last_move[0] - pos.first_move[0]));
        int dtz = -1;
        EXPECT_EQ(probe_wdl(), wdl_of(wdl_word)) << line;
        EXPECT_EQ(probe_root(entries.data(), &dtz), wdl_of(wdl_word)) << line;
        EXPECT_EQ(dtz, std::stoi(dtz_word)) << line;
        ++checked;
    }
    EXPECT_EQ(lines, 140);
    EXPECT_GE(checked, shared ? 140 : 20);
}

// The engine, on its own side, against the tables' longest resistance: each won position of king, bishop and
// knight against king, king and queen against king and rook, and king and rook against king is mated before
// the fifty-move rule. A search of four iterations is enough: the root keeps only the quickest win.
TEST_F(Tablebases, ConversionsMateBeforeTheFiftyMoveRule) {
    if (!tables_supported()) GTEST_SKIP() << "built without libfathom";
    ASSERT_GT(load_tables(COMMITTED.c_str()).tables, 0);
    std::ifstream in(COMMITTED + "/positions.txt");
    int conversions = 0, mates = 0, moves = 0;
    for (std::string line; std::getline(in, line);) {
        const std::string fen = line.substr(0, line.find(';'));
        const std::string ending = ending_name(fen);
        if (line.find(";Win;") == std::string::npos || (ending != "KBNvK" && ending != "KQvKR" && ending != "KRvK"))
            continue;
        setup(fen.c_str());
        generate_root_moves();
        const int engine = pos.side;
        bool mated = false;
        for (int ply = 0; ply < 200 && !mated && pos.fifty < 100; ++ply) {
            if (pos.side == engine) {
                SearchLimits limits{};
                limits.start_ms = now_ms();
                limits.depth = 4;
                limits.poll_mask = 4095;
                search_move(limits);
                ASSERT_GT(search.root_score, TABLE_WIN - 100) << line << " at ply " << ply;
                play(search.pv[0][0]);
            } else {
                play(tables_best_move());
            }
            mated = legal_moves().empty() && find_checker(pos.xside) > 0;
        }
        EXPECT_TRUE(mated) << line << ": not mated, fifty-move count " << pos.fifty;
        ++conversions;
        mates += mated;
        moves += (pos.history_count + 1) / 2;
    }
    std::printf("conversions %d, mates %d, %d moves in all\n", conversions, mates, moves);
    EXPECT_EQ(conversions, 7);  // KBNvK 2, KQvKR 2, KRvK 3
}

// A folder that does not exist, one without tables, and truncated, empty and foreign files: each is named, its
// ending is never probed, and the search plays on as without it.
TEST_F(Tablebases, BadTablesAreNamedAndLeftOut) {
    const std::string dir = make_temp_dir();
    if (!tables_supported()) {
        const TableLoad load = load_tables(dir.c_str());
        ASSERT_EQ(load.problem_count, 1);
        EXPECT_NE(std::string(load.problems[0]).find("reads no endgame tables"), std::string::npos);
        GTEST_SKIP() << "built without libfathom";
    }
    const std::string good = read_file(COMMITTED, "KQvK.rtbw"), good_z = read_file(COMMITTED, "KQvK.rtbz");
    mkdir((dir + "/none").c_str(), 0755);
    write_file(dir, "none/readme.txt", "no tables here\n");
    write_file(dir, "KQvK.rtbw", good.substr(0, 200));                 // truncated
    write_file(dir, "KRvK.rtbw", "");                                  // empty
    write_file(dir, "KBNvK.rtbw", std::string(good.size(), 'x'));      // the size of a table, not one
    write_file(dir, "KQvK.rtbz", good_z);
    const TableLoad load = load_tables((dir + ":" + dir + "/none:" + dir + "/missing").c_str());
    std::string problems;
    for (int i = 0; i < load.problem_count; ++i) problems += std::string(load.problems[i]) + "\n";
    expect_holds(problems, {"KQvK.rtbw is truncated", "KRvK.rtbw is truncated", "KBNvK.rtbw is no Syzygy table",
                            "none holds no Syzygy tables", "missing cannot be read"}, "problems");
    EXPECT_EQ(load.problem_count, 5) << problems;
    EXPECT_EQ(load.tables, 0);
    EXPECT_EQ(table_men, 0);
    setup("8/8/8/8/8/2k5/8/KQ6 w - - 0 1");
    EXPECT_EQ(probe_wdl(), -1);
    SearchLimits limits{};
    limits.depth = 3;
    limits.poll_mask = 4095;
    generate_root_moves();
    search_move(limits);
    EXPECT_NE(search.pv[0][0], 0u);
    EXPECT_LT(search.root_score, TABLE_WIN - 100);
    EXPECT_EQ(search.table_hits, 0);
}

// Both front ends load the committed tables from their option and use them: the UCI engine says how many it
// found and reports the tables' win with tbhits; the xboard engine logs what it loaded.
TEST_F(Tablebases, BothFrontEndsFindTheTables) {
    if (!tables_supported()) GTEST_SKIP() << "built without libfathom";
    EngineProcess uci;
    ASSERT_TRUE(start_engine(uci, make_temp_dir(), VEXMOTH_UCI_ENGINE));
    send_line(uci, "setoption name SyzygyPath value " + COMMITTED);
    send_line(uci, "setoption name SyzygyPath value /nonexistent/vexmoth");
    send_line(uci, "setoption name SyzygyPath value " + COMMITTED);
    send_line(uci, "position fen 8/8/8/8/8/2k5/8/KQ6 w - - 0 1");
    send_line(uci, "go depth 3");
    ASSERT_TRUE(expect_output(uci, "bestmove", 20000));
    send_line(uci, "quit");
    EXPECT_EQ(wait_exit(uci), 0);
    expect_holds(uci.output, {"info string SyzygyPath: 6 tables found, up to 4 men",
                              "info string SyzygyPath: folder /nonexistent/vexmoth cannot be read",
                              "info string SyzygyPath: no tables found", "score cp 7700", " tbhits "}, "UCI");

    const std::string dir = make_temp_dir();
    write_file(dir, "vexmo.ini", "hash 5\nsyzygy_path " + COMMITTED + "\n");
    EngineProcess xboard;
    ASSERT_TRUE(start_engine(xboard, dir));
    send_line(xboard, "quit");
    EXPECT_EQ(wait_exit(xboard, 20000, false), 0);
    const std::string log = read_file(dir, "vexmolog.txt");
    expect_holds(log, {"Syzygy path " + COMMITTED + "\n", "Syzygy: 6 tables found, up to 4 men\n"}, "xboard log");
    EXPECT_EQ(first_bad_log_line(log), "");
}

// Two search threads share the tables: each probes them in the search of king and queen against king and
// rook, which they both win.
TEST_F(Threads, TwoThreadsProbeTheTables) {
    if (!tables_supported()) GTEST_SKIP() << "built without libfathom";
    ASSERT_GT(load_tables(COMMITTED.c_str()).tables, 0);
    set_search_threads(2);
    setup("8/8/3k4/8/2r5/8/1Q6/4K3 w - - 0 1");
    generate_root_moves();
    SearchLimits limits{};
    limits.depth = 8;
    limits.poll_mask = 4095;
    search_move(limits);
    EXPECT_EQ(search.root_score, TABLE_WIN);
    EXPECT_GT(search.table_hits, 0);
    EXPECT_GT(table_hits_searched(), search.table_hits);
    set_search_threads(1);
}
