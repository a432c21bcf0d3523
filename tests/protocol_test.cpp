// The xboard engine driven through its protocol as xboard drives it (the binary started in a fresh directory), and
// the options file and the log it keeps there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_format.h"
#include "test_support.h"

namespace {

const std::string FLAGS_ON = "nullmove On\npre_prune On\ntune On\nresearch On\nfractional On\nnega_scout On\n";
const std::string ALL_ON = FLAGS_ON + "\n";

// Every row is sent in one session, in order; the engine must refuse exactly the words listed (with "Error (unknown
// command): WORD") and say nothing else.
TEST(Protocol, CommandsAndMoveText) {
    const std::string long_word(255, 'a');
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> rows = {
        // Right after start-up the engine plays neither colour; none of these answers.
        {{"random", "st 10", "sd 5", "post", "nopost", "hint", "level 40 5 0", "time 100", "otim 90"}, {}},
        // A move needs a file letter a-h and a rank digit 1-8 twice, else "u3e4" would be read as e2e4 and "E2E4" as
        // e4e6; a line starting with a blank reads no move.
        {{"new", "force", "protover 2", "foo bar", "e2e5", "E2E4", " e2e4", "a1a1", "i1a1", "u3e4", "e2e4", "E7E5",
          "e7e5"},
         {"protover", "foo", "e2e5", "E2E4", "e2e4", "a1a1", "i1a1", "u3e4", "E7E5"}},
        // A blank line does not repeat the line before; the tail of an over-long line is dropped.
        {{"e2e5", "   ", long_word + "quit"}, {"e2e5", long_word}},
        // "remove" takes back two half-moves, "undo" one, and neither more than were played.
        {{"new", "force", "undo", "remove", "e2e4", "remove", "e7e5", "remove", "d2d4", "undo", "e2e4", "undo",
          "undo", "e7e5"},
         {"e7e5"}},
        // The opponent's promotion needs its lower-case letter; the knight it makes guards g7.
        {{"new", "force", "edit", "#", "Kb1", "Pe7", "c", "Kh8", ".", "e7e8", "e7e8Q", "e7e8=q", "e7e8n", "h8g7",
          "h8h7"},
         {"e7e8", "e7e8Q", "e7e8=q", "h8g7"}},
        // The knight on e2 shields its king from the rook: refused twice, the first refusal took it back.
        {{"new", "force", "edit", "#", "Ke1", "Ne2", "c", "Ka8", "Re8", ".", "e2c3", "e2c3", "e1d1", "e8d8"},
         {"e2c3", "e2c3"}},
        // "black" after black's move gives black the move again: the old en-passant square must not let a black pawn
        // take its own man. Switching to the side already to move keeps the square. After a switch that changes the
        // turn nothing is taken back: unmaking the other colour's move would corrupt the board.
        {{"new", "force", "d2d3", "c7c5", "black", "force", "b7c6", "d8a5"}, {"b7c6"}},
        {{"new", "force", "e2e4", "a7a6", "e4e5", "d7d5", "white", "force", "e5d6"}, {}},
        {{"new", "force", "b2b4", "b8c6", "black", "force", "undo", "remove", "c6b8"}, {}},
    };
    EngineProcess s;
    start_session(s);
    for (const auto& [lines, refused] : rows) {
        std::string expected;
        for (const std::string& word : refused) expected += "Error (unknown command): " + word + "\n";
        EXPECT_EQ(answer_to(s, lines), expected) << lines.back();
    }
    EXPECT_EQ(answer_to(s, {"xboard"}), "\n");
    // End of input ends the engine as "quit" does: status 0, every line of the log complete.
    EXPECT_EQ(wait_exit(s), 0);
    const std::string log = read_file(s.dir, "vexmolog.txt");
    EXPECT_EQ(first_bad_log_line(log), "");
    expect_holds(log, {"game 1\n\n   0  e2e4 \n   1  e7e5 \n", "   0  e1d1 \n", "!e2c3"}, "log");
}

TEST(Protocol, TheEngineMoves) {
    EngineProcess s;
    start_session(s);
    send_lines(s, QUICK_CLOCK);
    // At start-up a move is recorded; "go" makes the engine play the side to move.
    EXPECT_EQ(answer_to(s, {"e2e4"}), "");
    send_lines(s, {"go"});
    ASSERT_TRUE(expect_output(s, "move "));
    // Positions no game reaches: black in check with white to move (the list stops where the king could be taken) and
    // pawns on their back ranks (left out: only the king moves). The engine's promotion is written as xboard reads it
    // and ends the game it mates; f8=N is the only mate here.
    const std::pair<std::vector<std::string>, std::string> thinking[] = {
        {{"e2e4", "f7f6", "d1h5", "white"}, "move "},
        {edit_lines({"Kg1", "Pa8"}, {"Kh8", "Ph1"}), "move g1"},
        {edit_lines({"Ka1", "Pf7"}, {"Kh7", "Bg8", "Rh8", "Pg7", "Pg6", "Ph6"}), "move f7f8n\n\n1-0 {Vexmoth Mate}\n"},
    };
    for (const auto& [position, answer] : thinking) {
        send_lines(s, {"new", "force"});
        send_lines(s, position);
        send_lines(s, QUICK_CLOCK);
        send_lines(s, {"go"});
        EXPECT_TRUE(expect_output(s, answer)) << position[0];
    }
    EXPECT_EQ(wait_exit(s), 0);
    // The log: no table (no options file yet), then a game's moves, the engine's with its search; no line that the
    // log checker refuses, which refuses a line cut short.
    const std::string log = read_file(s.dir, "vexmolog.txt");
    EXPECT_EQ(log.rfind(std::string("No Hash Table used\n") + ALL_ON + "   0  e2e4 \n   0  ", 0), 0u) << log;
    const size_t engine_line = log.find("   0  e2e4 \n") + 12;
    EXPECT_NE(log.substr(engine_line, log.find('\n', engine_line) - engine_line).find(" score("), std::string::npos);
    EXPECT_NE(log.find(" f7f8,n score("), std::string::npos);  // the engine's own text, with its comma
    EXPECT_EQ(first_bad_log_line(log), "");
    EXPECT_NE(first_bad_log_line("game 1\n   0  e2e4 score(35) iter(9) nps(4123\n"), "");
}

// Set-up lines the engine cannot read end it with status 255.
TEST(Protocol, FatalSetUpLines) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"edit", "#", "C", "\n", "xe4", "Pj9"}, "telluser edit bug 1\n"},
        {{"edit", "#", "Za1"}, "telluser edit bug 2\n"},
    };
    for (const auto& [lines, answer] : cases) {
        EngineProcess s;
        start_session(s);
        send_lines(s, lines);
        EXPECT_EQ(wait_exit(s, 10000, false), 255) << answer;
        EXPECT_NE(s.output.find(answer), std::string::npos);
    }
}

// Each run of the engine in a directory with this options file (none for nullptr) opens its log with the table and
// the switches read; a later line overrides an earlier one.
TEST(OptionsFile, ReadIntoTheLog) {
    const std::string no_table = "No Hash Table used\n";
    const std::string twenty = "Hash Size 20.00 mb, record size 10, records 2097152\n";
    const std::string long_line = ";" + std::string(254, 'x') + "tune 0\n";
    const std::pair<const char*, std::string> runs[] = {
        {nullptr, no_table + ALL_ON},  // the first run writes the defaults and plays without a table
        {nullptr, twenty + ALL_ON},    // the next reads them
        {"hash 4\n", no_table + ALL_ON},
        {"hash 0x14\n", twenty + ALL_ON},  // hexadecimal
        {"hash 024\n", twenty + ALL_ON},   // octal
        {"nullmove 0\npre_prune 0\ntune 0\nresearch 0\nfractional_extension 0\nnega_scout 0\n",
         no_table + "nullmove Off\npre_prune Off\ntune Off\nresearch Off\nfractional Off\nnega_scout Off\n\n"},
        // 010 is eight: on. Another case, a missing number, comments and unknown keys are ignored.
        {"nullmove 0\nnullmove 010\nNullMove 0\npre_prune\n;tune 0\nbogus 0\n", no_table + ALL_ON},
        {long_line.c_str(), no_table + ALL_ON},  // the tail of a line too long is not read as a line
        // The strength limit: the rating played, raised to the least, or full strength; a line without a
        // number is ignored, as is "elo 0", which is full strength.
        {"elo 1200\n", no_table + FLAGS_ON + "Elo 1200\n\n"},
        {"elo 100\nelo strong\n", no_table + FLAGS_ON + "Elo 600 (asked 100)\n\n"},
        {"elo 2500\n", no_table + FLAGS_ON + "Elo off (asked 2500)\n\n"},
        {"elo 0\n", no_table + ALL_ON},
    };
    const std::string dir = make_temp_dir();
    for (const auto& [options, log] : runs) {
        if (options) write_file(dir, "vexmo.ini", options);
        EngineProcess e;
        ASSERT_TRUE(start_engine(e, dir));
        send_line(e, "quit");
        EXPECT_EQ(wait_exit(e, 20000, false), 0);
        EXPECT_EQ(read_file(dir, "vexmolog.txt"), log) << (options ? options : "no file");
    }
}

}  // namespace
