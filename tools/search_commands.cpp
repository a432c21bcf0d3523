// The search from the command line: one position searched as the engine
// would search it, and the bench, whose node total is the search's signature.
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "search/search.h"
#include "tools/tools.h"

namespace {

constexpr int DEFAULT_HASH_MB = 16;
constexpr int DEFAULT_SEARCH_MS = 1000;
constexpr int DEFAULT_BENCH_DEPTH = 8;
// Nodes per second the clock polls are planned for: the engine's own guess
// before its first search.
constexpr int PLANNED_NPS = 50000;

double milliseconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void print_line() {
    for (int i = 0; i < search.pv_length[0]; ++i) std::printf("%s%s", i ? " " : "", move_text(search.pv[0][i]));
}

// The lines of a search for several: "line K score S depth D pv ...".
void print_root_lines() {
    for (int k = 0; k < search.root_line_count; ++k) {
        const RootLine& line = search.root_lines[k];
        std::printf("line %d score %d depth %d pv", k + 1, line.score, line.depth);
        for (int i = 0; i < line.length; ++i) std::printf(" %s", move_text(line.moves[i]));
        std::printf("\n");
    }
}

}  // namespace

bool read_seed(const char* text, uint64_t* seed) {
    // strtoull would take a sign, and say too large only through errno.
    const bool digits = text && *text >= '0' && *text <= '9';
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = digits ? std::strtoull(text, &end, 10) : 0;
    if (!digits || *end || errno == ERANGE) {
        std::fprintf(stderr, "vexmoth-tool: --seed must be a whole number from 0 to %llu, not '%s'\n", ULLONG_MAX,
                     text ? text : "");
        return false;
    }
    *seed = uint64_t(n);
    return true;
}

bool read_number(const char* name, const char* text, int low, int high, int* value) {
    char* end;
    const long n = text ? std::strtol(text, &end, 10) : 0;
    if (!text || !*text || *end || n < low || n > high) {
        std::fprintf(stderr, "vexmoth-tool: %s must be a whole number from %d to %d, not '%s'\n", name, low, high,
                     text ? text : "");
        return false;
    }
    *value = int(n);
    return true;
}

// Openings, middlegames with tactics, endgames, promotions, checks and mates.
const char* const BENCH_FENS[BENCH_POSITION_COUNT] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2",
    "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "rnbqk2r/ppp1ppbp/3p1np1/8/2PPP3/2N5/PP3PPP/R1BQKBNR w KQkq - 0 5",
    "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq - 1 5",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "r2q1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2Q1RK1 b - - 0 10",
    "2rr2k1/pp2bppp/2n1pn2/8/3P4/2N1PN2/PP3PPP/2RR2K1 w - - 0 18",
    "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - - 0 1",
    "2r3k1/pp3ppp/2n1b3/q2pP3/3P4/P1PB1N2/5PPP/R2Q1RK1 w - - 0 1",
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7",
    "rnb1kbnr/pppp1ppp/8/4p3/5PPq/8/PPPPP2P/RNBQKBNR w KQkq - 1 3",
    "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1",
    "r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 0 4",
    "2kr3r/ppp2ppp/2n5/2b1P3/4n1b1/2N2N2/PPP1BPPP/R1B2RK1 b - - 0 11",
    "r5k1/5ppp/1p6/p1p5/7b/1PPrqPP1/1PQ4P/R4R1K b - - 0 1",
    "4rrk1/pp1n3p/3q2pQ/2p1pb2/2PP4/2P3N1/P2B2PP/4RRK1 b - - 7 19",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
    "8/8/4k3/3p4/3P1K2/8/8/8 b - - 0 50",
    "8/5pk1/6p1/3R4/5P2/6P1/r5KP/8 w - - 0 40",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/1p6/p1p5/P1P5/1P3k2/8/4K3 w - - 0 1",
    "8/3k4/8/8/8/2K5/3P4/8 w - - 0 1",
    "8/8/8/8/8/4k3/4p3/2K5 b - - 0 1",
    "1r4k1/P7/8/8/8/8/8/6K1 w - - 0 1",
    "8/P7/8/8/8/8/k6p/7K w - - 0 1",
    "8/1P6/8/8/8/8/1k4p1/4K3 w - - 0 1",
    "3k4/3P4/3K4/8/8/8/8/8 w - - 0 1",
    "8/8/8/3k4/8/8/8/2QK4 w - - 0 1",
    "8/8/8/4k3/8/8/8/3RK3 w - - 0 1",
    "8/8/8/3k4/8/8/8/4KBN1 w - - 0 1",
    "4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
    "6k1/pp3p1p/6p1/8/8/6P1/PP3P1P/4R1K1 w - - 0 1",
    "3q2k1/5ppp/8/8/8/8/5PPP/3Q2K1 w - - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
};


void search_position(int depth, int time_ms, int lines, int elo, uint64_t seed) {
    generate_root_moves();
    // A clock far from its end, so that only the budget rules of the clock
    // test and of the root apply; a depth-limited search never reaches them.
    SearchLimits limits{};
    limits.start_ms = now_ms();
    limits.clock_rules = 1;
    limits.clock_ms = INT_MAX / 4;
    limits.budget_ms = time_ms > 0 ? time_ms : INT_MAX / 8;
    limits.depth = depth;
    limits.poll_mask = poll_mask_for(limits.budget_ms, PLANNED_NPS);
    limits.lines = lines;
    limits.elo = elo;
    limits.seed = seed;
    search_move(limits);
}

// Loads the endgame tables of path for a search or the bench, telling on
// standard error what was found; false (with the reason) when none were.
bool load_tool_tables(const char* path) {
    const TableLoad load = load_tables(path);
    for (int i = 0; i < load.problem_count && i < TABLE_PROBLEMS; ++i)
        std::fprintf(stderr, "vexmoth-tool: syzygy: %s\n", load.problems[i]);
    char text[128];
    describe_table_load(load, text, sizeof text);
    std::fprintf(stderr, "vexmoth-tool: syzygy: %s\n", text);
    return load.tables > 0;
}

// search [FEN] [--depth N] [--time MS] [--hash MB] [--threads N] [--multipv N] [--elo N] [--seed N]
//        [--syzygy PATH] [--option NAME=0|1 ...]
int command_search(int argc, char** argv) {
    // The FEN words and the flags may come in any order.
    char* fen[8];
    int fen_words = 0;
    int depth = 0, time_ms = 0, hash_mb = DEFAULT_HASH_MB, threads = 1, lines = 1, elo = 0;
    uint64_t seed = 1;
    for (int i = 0; i < argc; i += 2) {
        if (std::strncmp(argv[i], "--", 2)) {
            if (fen_words == 8) {
                std::fprintf(stderr, "vexmoth-tool: too many FEN words\n");
                return 2;
            }
            fen[fen_words++] = argv[i--];
            continue;
        }
        const char* flag = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!std::strcmp(flag, "--depth")) {
            if (!read_number("--depth", value, 1, MAX_ITERATION - 1, &depth)) return 2;
        } else if (!std::strcmp(flag, "--time")) {
            if (!read_number("--time", value, 1, 10000000, &time_ms)) return 2;
        } else if (!std::strcmp(flag, "--hash")) {
            if (!read_number("--hash", value, 0, 4096, &hash_mb)) return 2;
        } else if (!std::strcmp(flag, "--threads")) {
            if (!read_number("--threads", value, 1, MAX_THREADS, &threads)) return 2;
        } else if (!std::strcmp(flag, "--multipv")) {
            if (!read_number("--multipv", value, 1, MAX_LINES, &lines)) return 2;
        } else if (!std::strcmp(flag, "--elo")) {
            if (!read_number("--elo", value, STRENGTH_MIN_ELO, STRENGTH_MAX_ELO, &elo)) return 2;
        } else if (!std::strcmp(flag, "--seed")) {
            if (!read_seed(value, &seed)) return 2;
        } else if (!std::strcmp(flag, "--syzygy")) {
            if (!value || !load_tool_tables(value)) return 2;
        } else if (!std::strcmp(flag, "--option")) {
            const char* equals = value ? std::strchr(value, '=') : nullptr;
            char key[64] = {0};
            int* option = nullptr;
            if (equals && equals - value < int(sizeof key)) {
                std::memcpy(key, value, size_t(equals - value));
                option = option_flag(key);
            }
            if (!option || (std::strcmp(equals + 1, "0") && std::strcmp(equals + 1, "1"))) {
                std::fprintf(stderr,
                             "vexmoth-tool: --option takes NAME=0 or NAME=1 with NAME one of nega_scout, nullmove, "
                             "pre_prune, fractional_extension, tune, research; not '%s'\n",
                             value ? value : "");
                return 2;
            }
            *option = equals[1] - '0';
        } else {
            std::fprintf(stderr, "vexmoth-tool: unknown search flag '%s'\n", flag);
            return 2;
        }
    }
    if (depth && time_ms) {
        std::fprintf(stderr, "vexmoth-tool: give --depth or --time, not both\n");
        return 2;
    }
    if (!depth && !time_ms) time_ms = DEFAULT_SEARCH_MS;
    if (!setup_from_arguments(fen_words, fen)) return 2;
    if (hash_init(hash_mb) < 0) {
        std::fprintf(stderr, "vexmoth-tool: no memory for a table of %d MB\n", hash_mb);
        return 2;
    }
    compute_hash_key();
    clear_search_tables();
    set_search_threads(threads);
    const auto start = std::chrono::steady_clock::now();
    const int last_iteration_run = depth ? depth : MAX_ITERATION - 1;
    search_position(last_iteration_run, time_ms, lines, elo, seed);
    const double ms = milliseconds_since(start);
    // After its last iteration the root has already counted the next one.
    const int reached = search.root_depth > last_iteration_run ? last_iteration_run : search.root_depth;
    const int64_t all_nodes = nodes_searched();
    std::printf("bestmove %s score %d depth %d nodes %lld time %.0f ms nps %.0f\npv ", move_text(search.pv[0][0]), search.root_score,
                reached, (long long)all_nodes, ms, ms > 0 ? all_nodes * 1000.0 / ms : 0.0);
    print_line();
    std::printf("\n");
    if (search.search_limits.lines > 1) print_root_lines();
    return 0;
}

int64_t run_bench(int depth, bool verbose, int lines) {
    // Always the same table, whatever an earlier command left: the node
    // count depends on its size.
    if (hash_init(DEFAULT_HASH_MB) < 0) {
        std::fprintf(stderr, "vexmoth-tool: no memory for a table of %d MB\n", DEFAULT_HASH_MB);
        std::exit(2);
    }
    int64_t total = 0;
    int number = 0;
    for (const char* fen : BENCH_FENS) {
        const char* error = nullptr;
        if (!set_position_from_fen(fen, &error, 1)) {
            std::fprintf(stderr, "vexmoth-tool: bench position %s: %s\n", fen, error);
            std::exit(2);
        }
        hash_clear();
        compute_hash_key();
        clear_search_tables();
        const auto start = std::chrono::steady_clock::now();
        search_position(depth, 0, lines);
        total += nodes_searched();
        if (verbose)
            std::printf("%2d %-72s %-7s %6d %10lld %8.0f ms\n", ++number, fen, move_text(search.pv[0][0]), search.root_score,
                        (long long)nodes_searched(), milliseconds_since(start));
    }
    return total;
}

// bench [DEPTH] [threads N] [multipv N] [syzygy PATH]
int command_bench(int argc, char** argv) {
    int depth = DEFAULT_BENCH_DEPTH, threads = 1, lines = 1, depth_given = 0;
    for (int i = 0; i < argc; ++i) {
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!std::strcmp(argv[i], "threads")) {
            if (!read_number("threads", value, 1, MAX_THREADS, &threads)) return 2;
            ++i;
        } else if (!std::strcmp(argv[i], "multipv")) {
            if (!read_number("multipv", value, 1, MAX_LINES, &lines)) return 2;
            ++i;
        } else if (!std::strcmp(argv[i], "syzygy") && value) {
            if (!load_tool_tables(value)) return 2;
            ++i;
        } else if (!depth_given) {
            if (!read_number("DEPTH", argv[i], 1, MAX_ITERATION - 1, &depth)) return 2;
            depth_given = 1;
        } else {
            std::fprintf(stderr, "usage: vexmoth-tool bench [DEPTH] [threads N] [multipv N] [syzygy PATH]\n");
            return 2;
        }
    }
    set_search_threads(threads);
    const auto start = std::chrono::steady_clock::now();
    const int64_t total = run_bench(depth, true, lines);
    const double ms = milliseconds_since(start);
    std::printf("Nodes searched: %lld\nNodes/second: %.0f\n", static_cast<long long>(total),
                ms > 0 ? double(total) * 1000.0 / ms : 0.0);
    return 0;
}
