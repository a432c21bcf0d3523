// The evaluation from the command line: one position's static score, and a
// speed measurement over a list of positions.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "eval/eval.h"
#include "tools/tools.h"

namespace {

constexpr int WINDOW_LIMIT = 8000;

// Middlegames, a queenless middlegame and endgames of every phase.
const char* const EVAL_BENCH_FENS[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r2q1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2Q1RK1 b - - 0 10",
    "2rr2k1/pp2bppp/2n1pn2/8/3P4/2N1PN2/PP3PPP/2RR2K1 w - - 0 18",
    "8/5pk1/6p1/3R4/5P2/6P1/r5KP/8 w - - 0 40",
    "8/8/4k3/3p4/3P1K2/8/8/8 b - - 0 50",
    "6k1/5ppp/8/8/1n6/8/1P3PPP/6K1 w - - 0 30",
};

bool read_bound(const char* text, int* value) {
    char* end;
    const long n = std::strtol(text, &end, 10);
    if (!*text || *end || n < -WINDOW_LIMIT || n > WINDOW_LIMIT) {
        std::fprintf(stderr, "vexmoth-tool: ALPHA and BETA must be whole numbers from %d to %d, not '%s'\n",
                     -WINDOW_LIMIT, WINDOW_LIMIT, text);
        return false;
    }
    *value = int(n);
    return true;
}

// The search would have set these before evaluating at its leaves.
void prepare_position() {
    ev.root_piece_material[WHITE] = pos.piece_material[WHITE];
    ev.root_piece_material[BLACK] = pos.piece_material[BLACK];
    set_game_phase();
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// eval [FEN] [ALPHA BETA]: a window is recognised only after a FEN given as
// one quoted argument (the FEN's own last fields are numbers too).
int command_eval(int argc, char** argv) {
    int alpha = -WINDOW_LIMIT, beta = WINDOW_LIMIT;
    const bool quoted_fen = argc >= 1 && std::strchr(argv[0], ' ');
    if (quoted_fen && argc != 1) {
        if (argc != 3) {
            std::fprintf(stderr, "usage: vexmoth-tool eval [FEN] [ALPHA BETA] (a quoted FEN takes both or neither)\n");
            return 2;
        }
        if (!read_bound(argv[1], &alpha) || !read_bound(argv[2], &beta)) return 2;
        if (alpha >= beta) {
            std::fprintf(stderr, "vexmoth-tool: ALPHA must be below BETA\n");
            return 2;
        }
        argc = 1;
    }
    if (!setup_from_arguments(argc, argv)) return 2;
    prepare_position();
    const int score = evaluate(alpha, beta);
    std::printf("score %d phase %d material %d (%s to move, window %d %d)\n", score, ev.game_phase,
                pos.material[pos.side] - pos.material[pos.xside], pos.side == WHITE ? "white" : "black", alpha, beta);
    return 0;
}

// eval-bench [FILE] [REPEAT]: each position is evaluated REPEAT times with
// the window far from the score (both tactical stages off) and REPEAT times
// with a window around it (the stages run where alpha allows).
int command_eval_bench(int argc, char** argv) {
    long repeat = 200000;
    std::vector<std::string> fens;
    int next = 0;
    if (argc > 2) {
        std::fprintf(stderr, "usage: vexmoth-tool eval-bench [FILE] [REPEAT]\n");
        return 2;
    }
    if (argc >= 1) {
        char* end;
        const long n = std::strtol(argv[0], &end, 10);
        if (argc == 1 && *argv[0] && !*end) {
            repeat = n;  // a lone number is the repeat count
            next = 1;
        }
    }
    if (next == 0 && argc >= 1) {
        FILE* file = std::fopen(argv[0], "r");
        if (!file) {
            std::fprintf(stderr, "vexmoth-tool: cannot read position file '%s'\n", argv[0]);
            return 2;
        }
        char line[1024];
        while (std::fgets(line, sizeof line, file)) {
            if (char* semicolon = std::strchr(line, ';')) *semicolon = 0;
            if (line[std::strspn(line, " \t\r\n")]) fens.push_back(line);
        }
        std::fclose(file);
        if (argc == 2) {
            char* end;
            repeat = std::strtol(argv[1], &end, 10);
            if (!*argv[1] || *end) repeat = 0;
        }
    }
    if (repeat < 1 || repeat > 100000000) {
        std::fprintf(stderr, "vexmoth-tool: REPEAT must be a whole number from 1 to 100000000\n");
        return 2;
    }
    if (fens.empty()) {
        if (next == 0 && argc >= 1) {
            std::fprintf(stderr, "vexmoth-tool: no positions in '%s'\n", argv[0]);
            return 2;
        }
        for (const char* fen : EVAL_BENCH_FENS) fens.push_back(fen);
    }
    long long evaluations = 0, checksum = 0;
    double seconds = 0;
    for (const std::string& fen : fens) {
        const char* error = nullptr;
        if (!set_position_from_fen(fen.c_str(), &error, 1)) {
            std::fprintf(stderr, "vexmoth-tool: %s: %s\n", fen.c_str(), error);
            return 2;
        }
        prepare_position();
        const int quiet = evaluate(-WINDOW_LIMIT, WINDOW_LIMIT);
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < repeat; ++i) checksum += evaluate(-WINDOW_LIMIT, WINDOW_LIMIT);
        for (long i = 0; i < repeat; ++i) checksum += evaluate(quiet - 1, quiet + 1);
        seconds += seconds_since(start);
        evaluations += 2 * repeat;
    }
    std::printf("%lld evaluations of %zu positions in %.3f s: %.0f evaluations/s (checksum %lld)\n", evaluations,
                fens.size(), seconds, seconds > 0 ? double(evaluations) / seconds : 0.0, checksum);
    return 0;
}
