// Perft: counting legal move paths to prove the move generator, make and
// unmake right against published counts, and the tool commands around it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/board.h"
#include "search/search.h"
#include "tools/tools.h"

namespace {

constexpr int MAX_PERFT_DEPTH = 20;
const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

bool stack_overflow;  // a perft line would have run past the move stack

// The generator reads in_check_flag to leave out castling in check.
void generate_legal_candidates() {
    pos.in_check_flag = find_checker(pos.xside);
    gen_moves();
}

// The mover's king is not attacked after the move just made.
bool last_move_legal() { return !square_attacked(recs.piece_list[pos.xside][KING_RECORD].square, pos.side); }

uint64_t perft_from(int depth) {
    if (depth == 0) return 1;
    if (pos.first_move[pos.ply] >= MOVE_STACK_LIMIT) {
        stack_overflow = true;
        return 0;
    }
    generate_legal_candidates();
    uint64_t count = 0;
    for (int i = pos.first_move[pos.ply]; i < pos.last_move[pos.ply]; ++i) {
        if (!make_move(pos.move_list[i].move)) continue;
        if (last_move_legal()) count += depth == 1 ? 1 : perft_from(depth - 1);
        unmake_move();
    }
    return count;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

uint64_t per_second(uint64_t nodes, double seconds) {
    return seconds > 0 ? uint64_t(double(nodes) / seconds) : 0;
}

// DEPTH argument: a whole number 0..MAX_PERFT_DEPTH.
bool read_depth(const char* text, int* depth) {
    char* end;
    const long n = std::strtol(text, &end, 10);
    if (!*text || *end || n < 0 || n > MAX_PERFT_DEPTH) {
        std::fprintf(stderr, "vexmoth-tool: DEPTH must be a whole number from 0 to %d, not '%s'\n",
                     MAX_PERFT_DEPTH, text);
        return false;
    }
    *depth = int(n);
    return true;
}

// "DEPTH [FEN]": the depth read and the position set up, or false with the
// usage or the error printed.
bool read_depth_and_position(const char* command, int argc, char** argv, int* depth) {
    if (argc < 1) {
        std::fprintf(stderr, "usage: vexmoth-tool %s DEPTH [FEN]\n", command);
        return false;
    }
    return read_depth(argv[0], depth) && setup_from_arguments(argc - 1, argv + 1);
}

bool report_overflow() {
    if (!stack_overflow) return false;
    std::fprintf(stderr, "vexmoth-tool: the move lists of this position and depth do not fit the move stack\n");
    return true;
}

}  // namespace

bool set_up_fen(const char* fen, const char** error) {
    return set_position_from_fen(fen, nullptr, 1) || set_position_from_fen(fen, error, 1, 1);
}

bool setup_from_arguments(int argc, char** argv) {
    std::string fen = argc > 0 ? "" : START_FEN;
    for (int i = 0; i < argc; ++i) fen += (i ? " " : "") + std::string(argv[i]);
    const char* error = nullptr;
    if (set_up_fen(fen.c_str(), &error)) return true;
    std::fprintf(stderr, "vexmoth-tool: %s\n", error);
    return false;
}

uint64_t perft(int depth) {
    stack_overflow = false;
    return perft_from(depth);
}

int command_perft(int argc, char** argv) {
    int depth;
    if (!read_depth_and_position("perft", argc, argv, &depth)) return 2;
    const auto start = std::chrono::steady_clock::now();
    const uint64_t count = perft(depth);
    if (report_overflow()) return 2;
    const double seconds = seconds_since(start);
    std::printf("perft %d: %llu nodes, %.3f s, %llu nodes/s\n", depth, (unsigned long long)count,
                seconds, (unsigned long long)per_second(count, seconds));
    return 0;
}

int command_divide(int argc, char** argv) {
    int depth;
    if (!read_depth_and_position("divide", argc, argv, &depth)) return 2;
    if (depth < 1) {
        std::printf("total 1\n");
        return 0;
    }
    stack_overflow = false;
    generate_legal_candidates();
    uint64_t total = 0;
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i) {
        const Move m = pos.move_list[i].move;
        if (!make_move(m)) continue;
        if (last_move_legal()) {
            const uint64_t count = perft_from(depth - 1);
            std::printf("%s %llu\n", move_text(m), (unsigned long long)count);
            total += count;
        }
        unmake_move();
    }
    if (report_overflow()) return 2;
    std::printf("total %llu\n", (unsigned long long)total);
    return 0;
}

// Lines "FEN ;D1 n ;D2 n ...": every depth up to MAXDEPTH is counted and
// compared; one line per position, then the totals.
int command_perft_suite(int argc, char** argv) {
    int max_depth = MAX_PERFT_DEPTH;
    if (argc < 1 || argc > 2) {
        std::fprintf(stderr, "usage: vexmoth-tool perft-suite FILE [MAXDEPTH]\n");
        return 2;
    }
    if (argc == 2 && !read_depth(argv[1], &max_depth)) return 2;
    FILE* file = std::fopen(argv[0], "r");
    if (!file) {
        std::fprintf(stderr, "vexmoth-tool: cannot read suite file '%s'\n", argv[0]);
        return 2;
    }
    char line[1024];
    int line_number = 0, positions = 0, passed = 0;
    uint64_t suite_nodes = 0;
    const auto start = std::chrono::steady_clock::now();
    while (std::fgets(line, sizeof line, file)) {
        ++line_number;
        char* fen_end = std::strchr(line, ';');
        if (line[strspn(line, " \t\r\n")] == 0) continue;  // blank line
        if (!fen_end) {
            std::fprintf(stderr, "vexmoth-tool: %s:%d: no ';D1 n' counts on the line\n", argv[0], line_number);
            std::fclose(file);
            return 2;
        }
        *fen_end = 0;
        const char* error = nullptr;
        if (!set_up_fen(line, &error)) {
            std::fprintf(stderr, "vexmoth-tool: %s:%d: %s\n", argv[0], line_number, error);
            std::fclose(file);
            return 2;
        }
        std::string report;
        bool ok = true;
        for (char* p = fen_end + 1; p && *p; p = std::strchr(p, ';') ? std::strchr(p, ';') + 1 : nullptr) {
            int depth;
            unsigned long long expected;
            if (std::sscanf(p, " D%d %llu", &depth, &expected) != 2 || depth < 1 || depth > MAX_PERFT_DEPTH) {
                std::fprintf(stderr, "vexmoth-tool: %s:%d: malformed depth count '%.20s'\n", argv[0],
                             line_number, p);
                std::fclose(file);
                return 2;
            }
            if (depth > max_depth) continue;
            const uint64_t count = perft(depth);
            if (report_overflow()) {
                std::fclose(file);
                return 2;
            }
            suite_nodes += count;
            char part[96];
            if (count == expected) {
                std::snprintf(part, sizeof part, " D%d ok", depth);
            } else {
                std::snprintf(part, sizeof part, " D%d %llu (expected %llu)", depth, (unsigned long long)count,
                              expected);
                ok = false;
            }
            report += part;
        }
        ++positions;
        if (ok) ++passed;
        std::printf("%s %s:%s\n", ok ? "pass" : "FAIL", line, report.c_str());
    }
    std::fclose(file);
    const double seconds = seconds_since(start);
    std::printf("passed %d of %d positions, %llu nodes, %llu nodes/s\n", passed, positions,
                (unsigned long long)suite_nodes, (unsigned long long)per_second(suite_nodes, seconds));
    return passed == positions ? 0 : 1;
}
