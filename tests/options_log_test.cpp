// The options file and the log, read back from the engine's working
// directory after real runs of the binary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_process.h"
#include "log_format.h"

namespace {

const char* const default_file =
    ";Most of the options are tested to be working positively\n"
    ";except the nega-scout algorithm which is a little uncertain\n"
    ";they could be set to 1(on)  or 0(off)\n"
    "; hash size option takes a number in mega-byte\n"
    ";the options are :-\n"
    ";hash\n"
    ";nega_scout\n"
    ";nullmove\n"
    ";pre_prune\n"
    ";fractional_extension\n"
    ";tune\n"
    ";research\n"
    ";\n"
    ";\n"
    "hash 20\n"
    "nega_scout 1\n"
    "nullmove 1\n"
    "pre_prune 1\n"
    "fractional_extension 1\n"
    "tune 1\n"
    "research 1\n";

const char* const all_on =
    "nullmove On\npre_prune On\ntune On\nresearch On\nfractional On\nnega_scout On\n\n";

// Runs the engine once in dir with the given lines and returns its log.
std::string run(const std::string& dir, const std::vector<std::string>& lines) {
    EngineProcess e;
    EXPECT_TRUE(start_engine(e, dir));
    for (const std::string& l : lines) send_line(e, l);
    send_line(e, "quit");
    EXPECT_EQ(wait_exit(e, 20000, false), 0);
    return read_file(dir, "vexmolog.txt");
}

// The log of a run with the given options file.
std::string log_with_options(const std::string& options) {
    const std::string dir = make_temp_dir();
    write_file(dir, "vexmo.ini", options);
    return run(dir, {});
}

TEST(OptionsFile, FirstRunWritesDefaultsAndSecondRunUsesThem) {
    const std::string dir = make_temp_dir();
    // Without a file: the defaults are written, the built-in settings used.
    EXPECT_EQ(run(dir, {}), std::string("No Hash Table used\n") + all_on);
    EXPECT_EQ(read_file(dir, "vexmo.ini"), default_file);
    // The next run reads "hash 20": 2097152 entries of 10 bytes.
    EXPECT_EQ(run(dir, {}), std::string("Hash Size 20.00 mb, record size 10, records 2097152\n") + all_on);
    EXPECT_EQ(read_file(dir, "vexmo.ini"), default_file);
}

TEST(OptionsFile, HashSizes) {
    EXPECT_EQ(log_with_options("hash 4\n"), std::string("No Hash Table used\n") + all_on);
    EXPECT_EQ(log_with_options("hash -3\n"), std::string("No Hash Table used\n") + all_on);
    EXPECT_EQ(log_with_options("hash 5\n"),
              std::string("Hash Size 5.00 mb, record size 10, records 524288\n") + all_on);
    const std::string twenty = std::string("Hash Size 20.00 mb, record size 10, records 2097152\n") + all_on;
    EXPECT_EQ(log_with_options("hash 20\n"), twenty);
    EXPECT_EQ(log_with_options("hash 0x14\n"), twenty);  // read as "%i": hexadecimal
    EXPECT_EQ(log_with_options("hash 024\n"), twenty);   // octal
    EXPECT_EQ(log_with_options("hash 9\nhash 20\n"), twenty);  // a later line overrides
}

TEST(OptionsFile, FlagLines) {
    const std::string no_table = "No Hash Table used\n";
    EXPECT_EQ(log_with_options("nullmove 0\npre_prune 0\ntune 0\nresearch 0\nfractional_extension 0\n"
                               "nega_scout 0\n"),
              no_table + "nullmove Off\npre_prune Off\ntune Off\nresearch Off\nfractional Off\n"
                         "nega_scout Off\n\n");
    // 010 is octal eight: on. Other case, a missing number, comments and
    // unknown keys are ignored.
    EXPECT_EQ(log_with_options("nullmove 0\nnullmove 010\nNullMove 0\npre_prune\n;tune 0\nbogus 0\n"),
              no_table + all_on);
    // The thread count changes no line of the log.
    EXPECT_EQ(log_with_options("threads 2\nthreads x\nThreads 3\n"), no_table + all_on);
    // A line too long for the buffer: its tail is not read as a line.
    EXPECT_EQ(log_with_options(";" + std::string(254, 'x') + "tune 0\n"), no_table + all_on);
}

TEST(Log, GameMoveAndSearchLines) {
    const std::string dir = make_temp_dir();
    write_file(dir, "vexmo.ini", "hash 5\n");
    EngineProcess e;
    ASSERT_TRUE(start_engine(e, dir));
    for (const char* l : {"new", "level 40 5 0", "time 100", "otim 100", "e2e4"}) send_line(e, l);
    ASSERT_TRUE(expect_output(e, "move "));
    send_line(e, "quit");
    EXPECT_EQ(wait_exit(e, 20000, false), 0);
    const std::string log = read_file(dir, "vexmolog.txt");
    const std::string opening =
        "Hash Size 5.00 mb, record size 10, records 524288\n"
        "nullmove On\npre_prune On\ntune On\nresearch On\nfractional On\nnega_scout On\n\n"
        "game 1\n\n"
        "   0  e2e4 \n";
    ASSERT_EQ(log.compare(0, opening.size(), opening), 0) << log;
    ASSERT_EQ(log.back(), '\n') << log;
    const std::string last = log.substr(opening.size(), log.size() - opening.size() - 1);
    EXPECT_TRUE(is_search_line(last)) << last;
    EXPECT_EQ(last.compare(0, 6, "   0  "), 0) << last;
    EXPECT_EQ(first_bad_log_line(log), "");
    // The checker itself refuses what an interrupted or garbled log holds.
    for (const char* bad : {"   0  e2e4 score(35) iter(9) nps(4123", "   0 e2e4 ", "  12  e9e4 ", "game", "nullmove on",
                            "Hash Size 5.00 mb, record size 10, records "})
        EXPECT_FALSE(is_log_line(bad)) << bad;
    EXPECT_NE(first_bad_log_line("game 1\n   0  e2e4"), "");
}

}  // namespace
