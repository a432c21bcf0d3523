// Protocol fuzzer: drives the real engine binary through many sessions of
// random input and fails on anything a front end must never see.
//
// usage: vexmoth-protocol-fuzz [--seed S] [--sessions N] [--seconds T]
//                             [--first K] [--trace 1]
// (--first K --sessions 1 --trace 1 replays session K with its transcript)
//
// Each session starts the engine in a fresh directory (with a good, a bad or
// no vexmo.ini) and sends a random mix of legal moves of the current
// position, every protocol command with good and bad arguments, set-up
// blocks, garbage bytes, lines of 1 to 2000 characters, and ends with
// "quit", the end of input, or a last line without its newline. After every
// line an unknown word is sent and its error line awaited, so a hang shows
// as a missing answer. The fuzzer keeps its own copy of the game (the
// engine library's board, following what the engine accepted and played)
// and checks that every legal move is accepted and every engine move is
// legal. A session fails on a signal, a sanitizer report, no answer within
// 60 seconds, an exit status other than 0 (or -1 after a fatal set-up
// line), or an incomplete line in vexmolog.txt. Sessions run until N are
// done or T seconds have passed (defaults: 1000 sessions, 60 seconds).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "xboard/xboard.h"
#include "eval/eval.h"
#include "search/search.h"
#include "engine_process.h"
#include "harness/fuzz_sessions.h"
#include "log_format.h"

namespace {

const char* const SYNC = "zzsync";

struct Model {
    bool known = true;  // false after a set-up block, until "new"
};
Model model;

void model_changed() {
    generate_root_moves();
    // A side switch can leave the side not to move in check: a position the
    // copy does not follow (a move would take the king).
    if (king_capture || in_check_flag < 0) {
        model.known = false;
        king_capture = 0;
    }
}

void model_changed();

void model_play(Move m) {
    make_move(m);
    model_changed();
}

struct Line {
    std::string text;
    bool newline = true;
    Move move = 0;         // a legal move the engine must accept
    bool fatal_ok = false; // a set-up line that may end the engine with -1
    bool set_up = false;   // the model no longer knows the position
};

// One random action: one line or a few (a set-up block, a clock change).
std::vector<Line> random_action() {
    std::vector<Line> out;
    const int kind = pick(100);
    if (kind < 45 && model.known) {
        const std::vector<Move> moves = legal_moves();
        if (!moves.empty()) {
            const Move m = moves[size_t(pick(int(moves.size())))];
            out.push_back({long_algebraic(m), true, m});
            return out;
        }
    }
    if (kind < 55) {  // a move-like line that is not legal, or garbage after a move
        std::string t;
        for (int i = 0; i < 4; ++i) t += char(i % 2 ? '1' + pick(9) : 'a' + pick(9));
        if (pick(2)) t += random_bytes(1 + pick(8));
        out.push_back({t});
        return out;
    }
    if (kind < 75) {
        const char* plain[] = {"xboard", "random", "force", "go", "white", "black", "undo", "remove", "st 5",
                               "sd 3",   "post",   "nopost", "hint", "protover 2", "new", "  new", "computer"};
        Line l{plain[pick(17)]};
        const std::string& t = l.text;
        if (t == "go" || t == "white" || t == "black") {
            out.push_back({"time 30"});  // whatever it plays, it plays fast
        }
        out.push_back(l);
        return out;
    }
    if (kind < 85) {  // the clock, good and bad, always left short
        const char* words[] = {"time ", "otim ", "level "};
        std::string t = words[pick(3)] + number_text();
        if (t[0] == 'l') t += " " + number_text() + (pick(2) ? ":" + number_text() : "") + " " + number_text();
        out.push_back({t});
        out.push_back({"time 30"});
        return out;
    }
    if (kind < 93) {  // garbage and long lines
        const int lengths[] = {1, 2, 254, 255, 256, 257, 1000, 2000};
        out.push_back({random_bytes(pick(3) ? 1 + pick(80) : lengths[pick(8)])});
        return out;
    }
    // A set-up block: men, colour switches, clears, and now and then a bad line.
    out.push_back({"edit", true, 0, false, true});
    const char* men = "PNBRQKx";
    const int n = pick(12);
    for (int i = 0; i < n; ++i) {
        const int k = pick(20);
        Line l;
        l.set_up = true;
        if (k == 0) l.text = "c";
        else if (k == 1) l.text = "#";
        else if (k == 2) { l.text = random_bytes(1 + pick(10)); l.fatal_ok = true; }
        else {
            l.text = std::string(1, men[pick(7)]) + char('a' + pick(9)) + char('1' + pick(9));
            l.fatal_ok = true;
        }
        out.push_back(l);
    }
    out.push_back({".", true, 0, true, true});
    return out;
}

// Applies what the engine printed for one line and checks it against the model.
bool follow_answer(Outcome& o, const Line& l, const std::string& answer) {
    // Each line is answered on its own, so an error line is this line's.
    const bool refused = answer.find("Error (") != std::string::npos;
    // The engine reads the line's first word as the command, whatever blanks precede it.
    char first[256] = "";
    std::sscanf(l.text.c_str(), "%255s", first);
    const std::string word = first;
    const bool command = word == "new" || word == "undo" || word == "remove" || word == "white" ||
                         word == "black" || word == "xboard" || word == "random" || word == "force" ||
                         word == "go" || word == "quit" || word == "time" || word == "otim" || word == "level" ||
                         word == "st" || word == "sd" || word == "post" || word == "nopost" || word == "hint" ||
                         word == "edit";
    if (word == "new") {
        model.known = true;
        new_position();
        model_changed();
    } else if (!model.known) {
    } else if (l.move && refused && answer.find("Error (game too long)") == std::string::npos) {
        return fail(o, "legal move refused: " + l.text + "\n" + answer);
    } else if (!command && !refused && !word.empty()) {
        // Any other line is the opponent's move when the engine accepts it.
        const int index = parse_user_move(l.text.c_str());
        if (index < 0) return fail(o, "engine accepted a line that names no move: " + l.text.substr(0, 80));
        model_play(move_list[index].move);
    } else if (word == "undo" && history_count > 0) {
        unmake_move();
        model_changed();
    } else if (word == "remove" && history_count >= 2) {
        unmake_move();
        unmake_move();
        model_changed();
    } else if (word == "white" || word == "black") {
        if (side != (word == "white" ? WHITE : BLACK)) {
            ep_square = -1;
            history_count = 0;
        }
        side = word == "white" ? WHITE : BLACK;
        xside = side ^ 1;
        model_changed();
    }
    if (l.set_up) model.known = false;
    // The engine's own moves, in order.
    for (size_t at = answer.find("move "); at != std::string::npos; at = answer.find("move ", at + 5)) {
        if (at != 0 && answer[at - 1] != '\n') continue;
        const std::string text = answer.substr(at + 5, answer.find('\n', at) - at - 5);
        if (!model.known) continue;
        // A result declared after the move ends the game with the move unplayed.
        const std::string rest = answer.substr(at, answer.find("move ", at + 5) - at);
        const bool result = rest.find("\n1-0 {") != std::string::npos || rest.find("\n0-1 {") != std::string::npos ||
                            rest.find("\n1/2-1/2 {") != std::string::npos;
        bool found = false;
        for (const Move m : legal_moves())
            if (text == long_algebraic(m)) {
                if (!result) model_play(m);
                found = true;
                break;
            }
        if (!found) return fail(o, "engine played a move not legal here: " + text);
    }
    return true;
}

Outcome run_session(int number, long long& lines_sent) {
    Outcome o;
    const std::string dir = make_temp_dir();
    const int ini = pick(4);
    if (ini == 1) write_file(dir, "vexmo.ini", "hash 5\nnullmove 0\n");
    if (ini == 2) write_file(dir, "vexmo.ini", random_bytes(1 + pick(300)) + "\nhash 99999999999\nresearch x\n");
    if (ini == 3) write_file(dir, "vexmo.ini", "hash 0\nnega_scout 0\ntune 0x10\n");
    direct_sanitizer_reports(dir);
    EngineProcess e;
    if (!start_engine(e, dir)) {
        fail(o, "could not start the engine");
        return o;
    }
    new_position();
    model = Model();
    model_changed();
    bool fatal_possible = false, ended = false;
    std::vector<Line> opening = {{"xboard"}, {"new"}, {"level 40 5 0"}, {"time 30"}, {"otim 30"}};
    const int actions = 20 + pick(200);
    for (int a = 0; a < actions && !o.failed && !ended; ++a) {
        std::vector<Line> lines = a == 0 ? opening : random_action();
        for (const Line& l : lines) {
            send_line(e, l.text);
            ++lines_sent;
            if (l.fatal_ok) fatal_possible = true;
            // Set-up mode takes every line as a man or a switch: the block is
            // answered as a whole after its closing ".".
            if (l.set_up && l.text != ".") {
                if (l.text == "edit") model.known = false;
                continue;
            }
            send_line(e, SYNC);
            const std::string marker = std::string("Error (unknown command): ") + SYNC + "\n";
            const size_t begin = e.consumed;
            if (!expect_output(e, marker, 60000)) {
                // A bad set-up line may have ended the engine, as it should.
                if (fatal_possible && wait_exit(e, 5000, false) == 255) {
                    ended = true;
                    break;
                }
                fail(o, "no answer within 60 s after: " + l.text.substr(0, 80));
                break;
            }
            const std::string answer = e.output.substr(begin, e.consumed - begin - marker.size());
            if (trace) std::fprintf(stderr, "> %s\n%s", l.text.substr(0, 80).c_str(), answer.c_str());
            if (!follow_answer(o, l, answer)) break;
        }
    }
    if (!o.failed && !ended) {
        const int end = pick(3);
        if (end == 0) send_line(e, "quit");
        if (end == 2) {  // a last line without its newline
            const std::string tail = pick(2) ? "quit" : random_bytes(1 + pick(40));
            if (write(e.to_engine, tail.data(), tail.size()) < 0) {
            }
        }
        const int status = wait_exit(e, 60000, true);
        if (status != 0 && !(fatal_possible && status == 255))
            fail(o, "exit status " + std::to_string(status));
    }
    const std::string log = read_file(dir, "vexmolog.txt");
    const std::string bad = first_bad_log_line(log);
    if (!o.failed && !bad.empty()) fail(o, "incomplete log line: " + bad);
    const std::string report = sanitizer_report(dir, e.pid);
    if (!report.empty()) fail(o, "sanitizer report:\n" + report);
    if (o.failed) std::fprintf(stderr, "session %d (directory %s): %s\n", number, dir.c_str(), o.why.c_str());
    else if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) {
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    start_engine(0);  // the fuzzer keeps its own copy of the engine's position
    return run_fuzz_sessions(argc, argv, "protocol fuzz", run_session);
}
