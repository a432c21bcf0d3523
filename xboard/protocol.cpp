// The command loop and the xboard commands. When the engine's colour is to
// move it thinks; otherwise it reads one line and carries out the command,
// or takes the line for the opponent's move.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "xboard/xboard.h"

int engine_side = NO_SIDE;
int game_number;
uint64_t game_seed;
int64_t total_nodes;
int64_t total_time;

namespace {

char line[LINE_SIZE];  // the input line being carried out
char word[LINE_SIZE];  // its first word

void print_error(const char* message, const char* what) {
    std::printf("Error (%s): %s\n", message, what);
    std::fflush(stdout);
}

// Regenerates the ply-0 list after the side to move or the position changed
// outside a move: new key, check status, list.
void position_changed() {
    compute_hash_key();
    generate_root_moves();
}

void command_new() {
    ++game_number;
    new_position();
    clear_search_tables();
    compute_hash_key();
    total_time = 0;
    total_nodes = 0;
    engine_side = BLACK;
    game_seed = new_game_seed();
    generate_root_moves();
    log_printf("game %d\n\n", game_number);
}

// Gives the move to colour c and the engine the other colour. When the turn
// really changes hands, the game so far no longer alternates: taking back
// its last move would move the wrong colour's man, so the history starts
// afresh (nothing is left to undo); and an en-passant square, which belongs
// to the reply to a double step, would let the side that made the step take
// its own pawn, so it goes too.
void set_side_to_move(int c) {
    if (pos.side != c) {
        pos.ep_square = -1;
        pos.history_count = 0;
    }
    pos.side = c;
    pos.xside = c ^ 1;
    engine_side = pos.xside;
    position_changed();
}

void command_white() { set_side_to_move(WHITE); }
void command_black() { set_side_to_move(BLACK); }

void command_undo() {
    if (pos.history_count == 0) return;
    unmake_move();
    position_changed();
}

void command_remove() {
    if (pos.history_count < 2) return;
    unmake_move();
    unmake_move();
    position_changed();
}

// "time" and "otim" give centiseconds; a line without a number keeps the
// clock, as does one with leading blanks (the command word must open it).
void read_clock(const char* command, int* clock) {
    int n;
    if (!std::strncmp(line, command, 4) && read_number(line + 4, 10, &n)) *clock = clock_ms(n, 10);
}

void command_clock() { read_clock("time", &engine_clock); }
void command_otim() { read_clock("otim", &opponent_clock); }

// A change of the time control is accepted only before the game's first move.
void command_level() {
    if (pos.history_count <= 0) parse_level(line);
}

void command_go() { engine_side = pos.side; }
void command_force() { engine_side = NO_SIDE; }
void command_xboard() {
    std::printf("\n");
    std::fflush(stdout);
}
void command_none() {}

struct Command {
    const char* name;
    void (*run)();
};

// In the order of comparison.
const Command commands[] = {
    {"xboard", command_xboard}, {"random", command_none}, {"new", command_new},
    {"force", command_force},   {"white", command_white}, {"black", command_black},
    {"go", command_go},         {"quit", quit_engine},    {"undo", command_undo},
    {"remove", command_remove}, {"time", command_clock},   {"otim", command_otim},
    {"level", command_level},   {"st", command_none},     {"sd", command_none},
    {"post", command_none},     {"nopost", command_none}, {"hint", command_none},
    {"edit", edit_mode},
};

// Takes back a move of the opponent that was refused after it was made, so
// the position, its key and the ply-0 list are exactly as before the line.
void take_back_user_move() {
    unmake_move();
    position_changed();
    print_error("unknown command", word);
}

void user_move() {
    const int index = parse_user_move(line);
    if (index < 0) {
        print_error("unknown command", word);
        return;
    }
    // The history has room for a game of GAME_HISTORY_LIMIT half-moves and
    // the search below it; a longer game is not taken any further.
    if (pos.history_count >= GAME_HISTORY_LIMIT) {
        print_error("game too long", word);
        return;
    }
    const Move m = pos.move_list[index].move;
    if (!make_move(m)) {
        print_error("unknown command", word);
        return;
    }
    // A move that leaves its own king attacked (or the kings touching) is
    // refused before anything else looks at the new position.
    if (find_checker(pos.side) != 0) {
        take_back_user_move();
        return;
    }
    // A draw declared here ends the game, but the position stays complete
    // (key and ply-0 list), so "go", "undo" or further moves find it sound.
    const bool game_over = adjudicate_opponent_turn();
    if (!game_over) log_printf("%4d  %s \n", pos.history_count / 2, move_text(m));
    update_hash_key(m);
    generate_root_moves();
    if (pos.king_capture) take_back_user_move();
}

}  // namespace

int read_line(char* buffer) {
    if (!std::fgets(buffer, LINE_SIZE, stdin)) return 0;
    if (!std::strchr(buffer, '\n')) {
        int ch;
        while ((ch = std::getchar()) != '\n' && ch != EOF) {
        }
    }
    return 1;
}

void print_telluser(const char* what) {
    std::printf("telluser %s\n", what);
    std::fflush(stdout);
}

void fatal_exit(const char* what) {
    print_telluser(what);
    std::exit(-1);
}

void quit_engine() {
    if (log_file) std::fclose(log_file);
    log_file = nullptr;
    std::exit(0);
}

void command_loop() {
    for (;;) {
        if (engine_side == pos.side) {
            think();
            continue;
        }
        if (!read_line(line)) quit_engine();  // the front end has gone: end as for "quit"
        if (line[0] == '\n') continue;
        command_time = now_ms();
        if (std::sscanf(line, "%255s", word) != 1) continue;  // blanks only
        const Command* command = nullptr;
        for (const Command& c : commands)
            if (!std::strcmp(word, c.name)) {
                command = &c;
                break;
            }
        if (command)
            command->run();
        else
            user_move();
    }
}
