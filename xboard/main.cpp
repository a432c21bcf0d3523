// Vexmoth's entry: the start-up sequence, then the command loop for the
// rest of the process's life. No arguments and no environment are read;
// the settings come from vexmo.ini in the working directory.
#include <csignal>
#include <cstdio>

#include "xboard/xboard.h"

int main() {
    log_file = std::fopen("vexmolog.txt", "w+");
    if (!log_file) return -1;
    nps_estimate = 50000;
    log_settings(start_engine(read_options()));
    set_search_threads(thread_option);
    game_seed = new_game_seed();
    engine_side = NO_SIDE;
    // Unbuffered both ways: every line reaches the front end at once, and no
    // input waits in a buffer the engine does not look at.
    std::setbuf(stdout, nullptr);
    std::setbuf(stdin, nullptr);
    std::signal(SIGINT, SIG_IGN);  // the front end's interrupt must not end the engine
    // No input is read while thinking: only the clock stops a search.
    search.stop_hook = limits_reached;
    search.warning_hook = print_telluser;
    std::printf("\n");
    std::fflush(stdout);
    command_loop();
}
