// The engine driven through its real protocol, as a front end drives it:
// the binary started in a fresh directory, lines on its standard input,
// answers read from its standard output.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

TEST(Protocol, StartUpAndCommandsWithoutAnswer) {
    EngineProcess s;
    start_session(s);
    send_lines(s, {"random", "st 10", "sd 5", "post", "nopost", "hint", "level 40 5 0", "time 100", "otim 90",
             "xboard"});
    // None of these commands answers but "xboard", with one empty line.
    EXPECT_EQ(output_until_synced(s), "\n");
    EXPECT_EQ(wait_exit(s), 0);
}

TEST(Protocol, UnknownCommandsAndMovesNotInTheList) {
    EngineProcess s;
    start_session(s);
    send_lines(s, {"protover 2", "foo bar", "e2e5", "E2E4", " e2e4", "a1a1", "i1a1", "quit"});
    EXPECT_EQ(wait_exit(s, 10000, false), 0);
    const std::string out = s.output;
    for (const char* word : {"protover", "foo", "e2e5", "E2E4", "a1a1", "i1a1"})
        EXPECT_NE(out.find(std::string("Error (unknown command): ") + word + "\n"), std::string::npos) << word;
    // A line starting with a blank reads no move: its first word is e2e4.
    EXPECT_NE(out.find("Error (unknown command): e2e4\n"), std::string::npos);
}

TEST(Protocol, NewGameAndTheEngineAnswersAsBlack) {
    EngineProcess s;
    start_session(s);
    send_lines(s, {"xboard", "new"});
    send_lines(s, QUICK_CLOCK);
    send_lines(s, {"e2e4"});
    ASSERT_TRUE(expect_output(s, "move "));
    ASSERT_TRUE(expect_output(s, "\n"));
    const std::string reply = s.output.substr(s.consumed - 5, 4);
    // Black's reply is one of black's twenty first moves.
    const std::string black_moves[] = {"a7a6", "a7a5", "b7b6", "b7b5", "c7c6", "c7c5", "d7d6",
                                       "d7d5", "e7e6", "e7e5", "f7f6", "f7f5", "g7g6", "g7g5",
                                       "h7h6", "h7h5", "b8a6", "b8c6", "g8f6", "g8h6"};
    bool legal = false;
    for (const std::string& m : black_moves) legal = legal || m == reply;
    EXPECT_TRUE(legal) << reply;
    EXPECT_EQ(wait_exit(s), 0);
}

TEST(Protocol, EngineSideCommands) {
    EngineProcess s;
    start_session(s);
    send_lines(s, QUICK_CLOCK);
    // Right after start-up the engine plays neither colour: a move is recorded.
    EXPECT_EQ(answer_to(s, {"e2e4"}).find("move"), std::string::npos);
    // "go" makes it play the side to move (black).
    send_lines(s, {"go"});
    ASSERT_TRUE(expect_output(s, "move "));
    // In force mode moves are only recorded, for either side.
    const std::string after_force = answer_to(s, {"force", "d2d4"});
    EXPECT_EQ(after_force.find("move"), std::string::npos);
    EXPECT_EQ(after_force.find("Error (unknown command): d2d4"), std::string::npos);
    // "white" puts white on move and the engine on black: it waits.
    send_lines(s, {"new", "white"});
    EXPECT_EQ(pending_output(s, 300).find("move"), std::string::npos);
    send_lines(s, {"g1f3"});
    ASSERT_TRUE(expect_output(s, "move "));
    // "black" puts black on move and the engine on white: it waits for black.
    send_lines(s, {"new", "force", "e2e4", "black"});
    EXPECT_EQ(pending_output(s, 300).find("move"), std::string::npos);
    send_lines(s, {"e7e5"});
    ASSERT_TRUE(expect_output(s, "move "));
    EXPECT_EQ(wait_exit(s), 0);
}

TEST(Protocol, UndoAndRemoveLimits) {
    EngineProcess s;
    start_session(s);
    send_lines(s, {"new", "force", "undo", "remove", "e2e4", "remove"});
    // Neither did anything: black is on move after e2e4.
    send_lines(s, {"e7e5", "remove"});
    // Two moves taken back: white is on move again in the initial position.
    const std::string out = answer_to(s, {"d2d4", "undo", "e2e4"});
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    // "undo" with nothing left to take back changes nothing either: white
    // is still on move.
    send_lines(s, {"undo", "undo", "e7e5"});
    EXPECT_NE(output_until_synced(s).find("Error (unknown command): e7e5"), std::string::npos);
    EXPECT_EQ(wait_exit(s), 0);
}

TEST(Protocol, SetUpModeAndItsFatalLines) {
    {
        EngineProcess s;
        start_session(s);
        send_lines(s, {"new", "force"});
        send_lines(s, edit_lines({"Ke1", "Pe2"}, {"Ke8"}));
        // White to move in the set-up position: e2e4 is legal, d2d4 is not.
        const std::string out = answer_to(s, {"e2e4", "d2d4"});
        EXPECT_EQ(out.find("Error (unknown command): e2e4"), std::string::npos);
        EXPECT_NE(out.find("Error (unknown command): d2d4"), std::string::npos);
        EXPECT_EQ(wait_exit(s), 0);
    }
    {
        EngineProcess s;
        start_session(s);
        send_lines(s, {"edit", "#", "C", "\n", "xe4", "Pj9"});
        EXPECT_EQ(wait_exit(s, 10000, false), 255);
        EXPECT_NE(s.output.find("telluser edit bug 1\n"), std::string::npos);
    }
    {
        EngineProcess s;
        start_session(s);
        send_lines(s, {"edit", "#", "Za1"});
        EXPECT_EQ(wait_exit(s, 10000, false), 255);
        EXPECT_NE(s.output.find("telluser edit bug 2\n"), std::string::npos);
    }
}

TEST(Protocol, PromotionText) {
    // The engine's own promotion is written as xboard reads it, the letter
    // right after the squares; the log keeps the engine's text with a comma.
    // The queen promotion mates (king b6 covers a7 and b7), so the game ends
    // with it.
    EngineProcess s;
    start_thinking(s, edit_lines({"Kb6", "Pe7"}, {"Ka8"}));
    EXPECT_TRUE(expect_output(s, "move e7e8q\n\n1-0 {Vexmoth Mate}\n"));
    EXPECT_EQ(wait_exit(s), 0);
    EXPECT_NE(read_file(s.dir, "vexmolog.txt").find(" e7e8,q score("), std::string::npos);

    // The only mate here is the knight promotion f8=N.
    EngineProcess k;
    start_thinking(k, edit_lines({"Ka1", "Pf7"}, {"Kh7", "Bg8", "Rh8", "Pg7", "Pg6", "Ph6"}));
    EXPECT_TRUE(expect_output(k, "move f7f8n\n\n1-0 {Vexmoth Mate}\n"));
    EXPECT_EQ(wait_exit(k), 0);

    // The opponent's promotion needs its lower-case letter.
    EngineProcess t;
    start_session(t);
    send_lines(t, {"new", "force"});
    send_lines(t, edit_lines({"Kb1", "Pe7"}, {"Kh8"}));
    const std::string out = answer_to(t, {"e7e8", "e7e8Q", "e7e8=q", "e7e8n", "h8h7"});
    EXPECT_NE(out.find("Error (unknown command): e7e8\n"), std::string::npos);
    EXPECT_NE(out.find("Error (unknown command): e7e8Q\n"), std::string::npos);
    EXPECT_NE(out.find("Error (unknown command): e7e8=q\n"), std::string::npos);
    EXPECT_EQ(out.find("Error (unknown command): e7e8n"), std::string::npos);
    EXPECT_EQ(out.find("Error (unknown command): h8h7"), std::string::npos);
    EXPECT_EQ(wait_exit(t), 0);
}

// A move is read only from a file letter a-h and a rank digit 1-8 twice:
// other characters would name other squares ("u3e4" read as e2e4, "E2E4"
// as e4e6), so a mistyped move could be played as a different one.
TEST(Protocol, MoveTextNeedsRealSquares) {
    EngineProcess s;
    start_session(s);
    const std::string out = answer_to(s, {"new", "force", "u3e4", "E2E4", "e2e4", "E7E5", "e7e5"});
    for (const char* word : {"u3e4", "E2E4", "E7E5"})
        EXPECT_NE(out.find(std::string("Error (unknown command): ") + word + "\n"), std::string::npos) << word;
    // The refused lines played nothing: e2e4 and e7e5 were still legal.
    EXPECT_EQ(out.find("Error (unknown command): e2e4"), std::string::npos) << out;
    EXPECT_EQ(out.find("Error (unknown command): e7e5"), std::string::npos) << out;
    EXPECT_EQ(wait_exit(s), 0);
    const std::string log = read_file(s.dir, "vexmolog.txt");
    EXPECT_NE(log.find("   0  e2e4 \n   1  e7e5 \n"), std::string::npos) << log;
}

// The sound behaviour where a plain reading of the protocol loop fails.
TEST(Protocol, InputFaults) {
    EngineProcess s;
    start_session(s);
    // A blank line does not repeat the previous line's command.
    send_lines(s, {"new", "force", "e2e5", "   "});
    std::string out = output_until_synced(s);
    EXPECT_EQ(out.find("e2e5"), out.rfind("e2e5")) << "the blank line was taken for e2e5 again";
    // The tail of an over-long line is dropped, never taken for a command.
    send_lines(s, {std::string(255, 'a') + "quit"});
    out = output_until_synced(s);
    EXPECT_NE(out.find("Error (unknown command): " + std::string(255, 'a') + "\n"), std::string::npos);
    // End of input ends the engine as "quit" does: status 0, log complete.
    EXPECT_EQ(wait_exit(s), 0);
    EXPECT_NE(read_file(s.dir, "vexmolog.txt").find("game 1\n\n"), std::string::npos);
}

TEST(Protocol, IllegalOpponentMoveIsTakenBack) {
    EngineProcess s;
    start_session(s);
    send_lines(s, {"new", "force"});
    // The knight on e2 shields its king from the rook on e8.
    send_lines(s, edit_lines({"Ke1", "Ne2"}, {"Ka8", "Re8"}));
    const std::string out = answer_to(s, {"e2c3", "e2c3", "e1d1", "e8d8"});
    // Refused twice: the first refusal left the position as it was.
    size_t first = out.find("Error (unknown command): e2c3\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(out.find("Error (unknown command): e2c3\n", first + 1), std::string::npos);
    EXPECT_EQ(out.find("e1d1"), std::string::npos);
    EXPECT_EQ(out.find("e8d8"), std::string::npos);
    EXPECT_EQ(wait_exit(s), 0);
    const std::string log = read_file(s.dir, "vexmolog.txt");
    EXPECT_EQ(log.find("e2c3"), std::string::npos) << log;
    EXPECT_NE(log.find("   0  e1d1 \n"), std::string::npos) << log;
}

// Positions no game reaches, which a side switch or a set-up can still make:
// white to move with black in check (the list stops where the king could be
// taken, and the search must stay within it), and pawns set up on their
// back ranks (left out: the engine has only its king to move). The engine
// searches them safely and plays on in a new game.
TEST(Protocol, ImpossiblePositionsAreSearchedSafely) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"e2e4", "f7f6", "d1h5", "white"}, "move "},
        {{"edit", "#", "Kg1", "Pa8", "c", "Kh8", "Ph1", "."}, "move g1"},
    };
    for (const auto& [lines, answer] : cases) {
        EngineProcess s;
        start_thinking(s, lines);
        EXPECT_TRUE(expect_output(s, answer)) << lines[0];
        send_lines(s, {"new"});
        send_lines(s, QUICK_CLOCK);
        send_lines(s, {"e2e4"});
        EXPECT_TRUE(expect_output(s, "move ")) << lines[0];
        EXPECT_EQ(wait_exit(s), 0);
    }
}

// "black" after black's move gives black the move again: the old en-passant
// square must not let a black pawn take its own man, and "undo" must not
// take back black's move as if it were white's.
TEST(Protocol, SideSwitchStartsTheHistoryAfresh) {
    EngineProcess s;
    start_session(s);
    const std::string out = answer_to(s, {"new", "force", "d2d3", "c7c5", "black", "b7c6", "d8a5"});
    EXPECT_NE(out.find("Error (unknown command): b7c6\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("d8a5"), std::string::npos) << out;
    // Switching to the side already to move keeps the square: e.p. stays legal.
    const std::string after_switch = answer_to(s, {"new", "force", "e2e4", "a7a6", "e4e5", "d7d5", "white", "e5d6"});
    EXPECT_EQ(after_switch.find("e5d6"), std::string::npos);
    // After a switch that changes the turn nothing is taken back: the last
    // move was the other colour's, and unmaking it would corrupt the board.
    const std::string after_undo =
        answer_to(s, {"new", "force", "b2b4", "b8c6", "black", "force", "undo", "remove", "c6b8"});
    EXPECT_EQ(after_undo.find("Error"), std::string::npos) << after_undo;
    EXPECT_EQ(wait_exit(s), 0);
}

}  // namespace
