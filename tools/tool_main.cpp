// vexmoth-tool: developer commands over the engine library. The engine's
// own protocol is untouched by anything here.
#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "search/search.h"
#include "tools/tools.h"

namespace {

struct ToolCommand {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* usage;
};

const ToolCommand commands[] = {
    {"perft", command_perft, "perft DEPTH [FEN]          legal move paths of DEPTH half-moves"},
    {"divide", command_divide, "divide DEPTH [FEN]         the perft count under each root move"},
    {"perft-suite", command_perft_suite,
     "perft-suite FILE [MAXDEPTH] check every 'FEN ;D1 n ;D2 n ...' line of FILE"},
    {"eval", command_eval,
     "eval [FEN] [ALPHA BETA]     static score for the side to move, game phase, material balance;\n"
     "                              with ALPHA BETA the FEN must be one quoted argument (window -8000 8000)"},
    {"eval-bench", command_eval_bench,
     "eval-bench [FILE] [REPEAT] evaluations per second over built-in positions or the FENs of FILE"},
    {"search", command_search,
     "search [FEN] [--depth N | --time MS] [--hash MB] [--threads N] [--multipv N] [--option NAME=0|1 ...]\n"
     "       [--elo N] [--seed N] [--syzygy PATH] best move, score, depth, nodes and speed of one search\n"
     "                              (default 1000 ms); with --multipv N also the N best lines; with --elo N\n"
     "                              the move played at that rating (seed 1 by default) and the lines it chose\n"
     "                              among; with PATH the endgame tables"},
    {"bench", command_bench,
     "bench [DEPTH] [threads N] [multipv N] [syzygy PATH] fixed-depth searches of built-in positions on N\n"
     "                              threads, with the endgame tables of PATH; the node total"},
    {"solve", command_solve,
     "solve FILE [--time MS] [--threads N] [--hash MB] for each position of an EPD FILE with best moves\n"
     "                              (c0 \"d6d1\"), the time to find one and keep it to the end of MS (30000)"},
    {"blunders", command_blunders,
     "blunders [FILE] [--elo N,N,...] [--seeds N] [--depth D] the moves of each rating over the bench or\n"
     "                              FILE's positions judged by a full search of depth D (7): mean loss and\n"
     "                              the moves that lose more than a piece"},
    {"curve", command_curve,
     "curve LOG [OUT.svg] [--game N] the engine's score over a game of a vexmolog.txt as an SVG picture\n"
     "                              (the last game by default; without OUT.svg on standard output)"},
};

void print_usage(FILE* out) {
    std::fprintf(out, "usage: vexmoth-tool COMMAND [ARGUMENTS]\ncommands:\n");
    for (const ToolCommand& c : commands) std::fprintf(out, "  %s\n", c.usage);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "help") || !std::strcmp(argv[1], "--help")) {
        print_usage(stdout);
        return argc < 2 ? 2 : 0;
    }
    start_engine(0);  // each command sizes the table it needs
    for (const ToolCommand& c : commands)
        if (!std::strcmp(argv[1], c.name)) return c.run(argc - 2, argv + 2);
    std::fprintf(stderr, "vexmoth-tool: unknown command '%s'\n", argv[1]);
    print_usage(stderr);
    return 2;
}
