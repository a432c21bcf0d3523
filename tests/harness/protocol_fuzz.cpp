// The xboard protocol fuzzer (options in fuzz_sessions.h): each session starts the engine with a good, a bad or no
// vexmo.ini and sends legal moves, every command with good and bad arguments, set-up blocks and garbage (lines up to
// 2000 characters), each followed by an unknown word whose error line ends the answer. Following the game on its board,
// it fails a session on a legal move refused, a line naming no move accepted, an illegal move or a wait of 60 s.
#include "harness/fuzz_sessions.h"
#include "xboard/xboard.h"

namespace {

bool known;    // the fuzzer's board is the engine's (not after a set-up block, until "new")
bool set_ups;  // this session sends set-up blocks; a bad one ends the engine, so the others end cleanly

// After a change of the board: its list, and whether the fuzzer can still follow it (a side switch can
// leave the side not to move in check).
void changed() {
    generate_root_moves();
    if (pos.king_capture || pos.in_check_flag < 0) known = false;
    pos.king_capture = 0;
}

struct Line {
    std::string text;
    Move move = 0;        // a legal move the engine must accept
    bool set_up = false;  // a set-up block, whose bad lines may end the engine with status 255
};

// One random action: one line, or a command between two that leave the clock short.
std::vector<Line> random_action() {
    const int kind = pick(100);
    const Move m = known ? random_legal_move() : 0;
    if (kind < 45 && m) return {{long_algebraic(m), m}};
    // A line like a move, mostly no legal one (files to i, ranks to 9), or garbage after a move.
    const std::string like = {char('a' + pick(9)), char('1' + pick(9)), char('a' + pick(9)), char('1' + pick(9))};
    if (kind < 55) return {{pick(2) ? like + random_bytes(1 + pick(8)) : like}};
    if (kind < 85) {  // whatever the engine plays, fast; the clock's words with good and bad numbers (#)
        static const char* const commands[] = {"xboard", "random", "force", "go", "white", "black", "undo", "remove",
                                               "st 5", "sd 3", "post", "nopost", "hint", "protover 2", "new", "  new",
                                               "computer", "time #", "otim #", "level # # #", "level # #:# #"};
        std::string t;
        for (const char* c = pick_of(commands); *c; ++c) t += *c == '#' ? number_text() : std::string(1, *c);
        return {{"time 30"}, {t}, {"time 30"}};
    }
    if (kind < 93 || !set_ups) return {{random_line(2000)}};
    // A set-up block, its lines sent at once: men (x: of no kind; some off the board), colour switches,
    // clears, and now and then a bad line.
    std::string block = "edit";
    for (int i = pick(12); i > 0; --i) {
        const int k = pick(20);
        const std::string man = std::string(1, "PNBRQKx"[pick(7)]) + char('a' + pick(9)) + char('1' + pick(9));
        block += k < 2 ? (k ? "\n#" : "\nc") : "\n" + (k == 2 ? random_bytes(1 + pick(10)) : man);
    }
    return {{block + "\n.", 0, true}};
}

// Follows the engine's answer to one line on the fuzzer's board and checks it.
bool follow(Session& s, const Line& l, const std::string& answer) {
    const bool refused = answer.find("Error (") != std::string::npos;
    const std::vector<std::string> words = words_of(l.text);  // the first is the command, whatever blanks precede it
    const std::string word = words.empty() ? "" : words[0];
    const bool command = std::string(" new undo remove white black xboard random force go quit time otim level st "
                                     "sd post nopost hint edit ").find(" " + word + " ") != std::string::npos;
    if (word == "new") {
        known = true;
        new_position();
    } else if (!known) {
    } else if (l.move && refused && answer.find("Error (game too long)") == std::string::npos) {
        return s.fail("legal move refused: " + l.text + "\n" + answer);
    } else if (!command && !refused && !word.empty()) {  // any other line accepted is the opponent's move
        const int index = parse_user_move(l.text.c_str());
        if (index < 0) return s.fail("engine accepted a line that names no move: " + l.text.substr(0, 80));
        make_move(pos.move_list[index].move);
    } else if ((word == "undo" && pos.history_count >= 1) || (word == "remove" && pos.history_count >= 2)) {
        for (int n = word == "undo" ? 1 : 2; n > 0; --n) unmake_move();
    } else if (word == "white" || word == "black") {
        if (pos.side != (word == "white" ? WHITE : BLACK)) {
            pos.ep_square = -1;
            pos.history_count = 0;
        }
        pos.side = word == "white" ? WHITE : BLACK;
        pos.xside = pos.side ^ 1;
    }
    changed();
    if (l.set_up) known = false;
    // The engine's own moves, in order; a result after a move ends the game with the move unplayed.
    const auto ends_game = [](const std::string& text) {
        for (const char* result : {"\n1-0 {", "\n0-1 {", "\n1/2-1/2 {"})
            if (text.find(result) != std::string::npos) return true;
        return false;
    };
    for (size_t at = answer.find("move "); at != std::string::npos; at = answer.find("move ", at + 5)) {
        if ((at && answer[at - 1] != '\n') || !known) continue;
        const Move m = legal_move_named(answer.substr(at + 5, answer.find('\n', at) - at - 5));
        if (!m) return s.fail("engine played a move not legal here: " + answer.substr(at, 20));
        if (!ends_game(answer.substr(at, answer.find("move ", at + 5) - at))) {
            make_move(m);
            changed();
        }
    }
    return true;
}

void play(Session& s) {
    static const char* const inis[] = {"hash 5\nnullmove 0\n", "\nhash 9999999999\nresearch x\n", "hash 0\ntune 0x1\n"};
    if (pick(4)) write_file(s.dir, "vexmo.ini", (pick(3) ? "" : random_bytes(1 + pick(300))) + pick_of(inis));
    set_ups = pick(2);
    if (!s.start(VEXMOTH_ENGINE, "zzsync", "Error (unknown command): zzsync\n", true)) return;
    known = true;
    new_position();
    changed();
    std::vector<Line> lines = {{"xboard"}, {"new"}, {"level 40 5 0"}, {"time 30"}, {"otim 30"}};
    for (int a = 20 + pick(200); a > 0; --a, lines = random_action())
        for (const Line& l : lines) {
            s.send(l.text);
            s.may_die |= l.set_up;
            std::string answer;
            if (!s.sync(&answer) || !follow(s, l, answer)) return;
        }
}

}  // namespace

int main(int argc, char** argv) { return run_fuzz_sessions(argc, argv, "protocol fuzz", play); }
