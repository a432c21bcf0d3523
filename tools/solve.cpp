// Test suites of positions with known best moves: for each position, how
// long the search takes to find a best move and keep it to the end of its
// time, on any number of threads. A measure of search quality that counts
// what a player sees (the move chosen, and when), not nodes.
#include <chrono>
#include <cstdio>
#include <cstring>

#include "search/search.h"
#include "tools/tools.h"

namespace {

constexpr int MAX_BEST_MOVES = 8;
constexpr int LINE_SIZE = 1024;

// The best moves of the position being solved, in coordinates ("d6d1").
char best_moves[MAX_BEST_MOVES][8];
int best_move_count;
std::chrono::steady_clock::time_point search_start;
double found_ms;  // when the search last turned to a best move; -1 while it holds another

bool is_best(Move m) {
    for (int i = 0; i < best_move_count; ++i)
        if (!std::strcmp(long_algebraic(m), best_moves[i])) return true;
    return false;
}

// Runs at every new best root move and every completed iteration.
void watch_best_move(int) {
    if (!is_best(search.pv[0][0]))
        found_ms = -1;
    else if (found_ms < 0)
        found_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - search_start).count();
}

// The moves of the c0 field (c0 "d6d1 ..."); false when the line has none.
bool read_best_moves(const char* line) {
    const char* c0 = std::strstr(line, "c0 \"");
    best_move_count = 0;
    if (!c0) return false;
    c0 += 4;
    while (*c0 && *c0 != '"' && best_move_count < MAX_BEST_MOVES) {
        int n = 0;
        while (c0[n] && c0[n] != ' ' && c0[n] != '"' && c0[n] != ',' && n < 7) ++n;
        if (n >= 4) {
            std::memcpy(best_moves[best_move_count], c0, size_t(n));
            best_moves[best_move_count++][n] = 0;
        }
        c0 += n;
        while (*c0 == ' ' || *c0 == ',') ++c0;
    }
    return best_move_count > 0;
}

// The id field (id "BK.01"), or the line number.
void read_id(const char* line, int number, char* id, size_t size) {
    const char* at = std::strstr(line, "id \"");
    if (!at || std::sscanf(at + 4, "%31[^\"]", id) != 1) std::snprintf(id, size, "%d", number);
}

}  // namespace

// solve FILE [--time MS] [--threads N] [--hash MB]
int command_solve(int argc, char** argv) {
    int time_ms = 30000, threads = 1, hash_mb = 64;
    for (int i = 1; i < argc; i += 2) {
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!std::strcmp(argv[i], "--time")) {
            if (!read_number("--time", value, 1, 3600000, &time_ms)) return 2;
        } else if (!std::strcmp(argv[i], "--threads")) {
            if (!read_number("--threads", value, 1, MAX_THREADS, &threads)) return 2;
        } else if (!std::strcmp(argv[i], "--hash")) {
            if (!read_number("--hash", value, 5, 768, &hash_mb)) return 2;
        } else {
            std::fprintf(stderr, "vexmoth-tool: unknown solve flag '%s'\n", argv[i]);
            return 2;
        }
    }
    FILE* f = argc >= 1 ? std::fopen(argv[0], "r") : nullptr;
    if (!f) {
        std::fprintf(stderr, "vexmoth-tool: usage: solve FILE [--time MS] [--threads N] [--hash MB]; cannot read '%s'\n",
                     argc >= 1 ? argv[0] : "");
        return 2;
    }
    if (hash_init(hash_mb) < 0) {
        std::fprintf(stderr, "vexmoth-tool: no memory for a table of %d MB\n", hash_mb);
        return 2;
    }
    set_search_threads(threads);
    search.progress_hook = watch_best_move;
    char line[LINE_SIZE];
    int number = 0, solved = 0;
    double total_ms = 0;
    while (std::fgets(line, sizeof line, f)) {
        char fields[4][100];
        if (std::sscanf(line, "%99s %99s %99s %99s", fields[0], fields[1], fields[2], fields[3]) != 4) continue;
        char fen[420];
        std::snprintf(fen, sizeof fen, "%s %s %s %s 0 1", fields[0], fields[1], fields[2], fields[3]);
        char id[32];
        read_id(line, ++number, id, sizeof id);
        const char* error = nullptr;
        if (!read_best_moves(line) || !set_position_from_fen(fen, &error, 1)) {
            std::fprintf(stderr, "vexmoth-tool: %s: %s\n", id, error ? error : "no c0 field with the best moves");
            std::fclose(f);
            return 2;
        }
        hash_clear();
        compute_hash_key();
        clear_search_tables();
        generate_root_moves();
        SearchLimits limits{};
        limits.start_ms = now_ms();
        limits.movetime_ms = time_ms;
        limits.depth = MAX_ITERATION - 1;
        limits.poll_mask = poll_mask_for(time_ms, 50000);
        found_ms = -1;
        search_start = std::chrono::steady_clock::now();
        search_move(limits);
        // The move played counts, whichever thread's line it is.
        watch_best_move(PROGRESS_ITERATION);
        const bool ok = found_ms >= 0;
        solved += ok ? 1 : 0;
        total_ms += ok ? found_ms : time_ms;
        std::printf("%-8s %-6s %s %8.0f ms depth %d\n", id, long_algebraic(search.pv[0][0]), ok ? "found" : "missed",
                    ok ? found_ms : double(time_ms), search.root_depth);
        std::fflush(stdout);
    }
    std::fclose(f);
    std::printf("solved %d of %d, total %.0f ms (a missed position counts %d ms)\n", solved, number, total_ms, time_ms);
    return 0;
}
