// How the strength limit errs: over many positions, the move each rating
// plays (with several seeds) judged by a full-strength search. A move's
// loss is the full search's score of the position after it, against the
// same search's score of the position after the full-strength move; a
// blunder loses more than a piece, and the count of those whose refutation
// begins by taking a man (a piece left to be taken in one) is given apart.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "search/search.h"
#include "tools/tools.h"

namespace {

constexpr int MAX_RATINGS = 16;
constexpr int BLUNDER_LOSS = 300;  // a knight or bishop
constexpr int SCORE_CLIP = 1000;   // beyond ten pawns (a mate too) a game counts as won: no move loses there
constexpr int DEFAULT_JUDGE_DEPTH = 7;
constexpr int DEFAULT_SEEDS = 4;
constexpr int DEFAULT_RATINGS[] = {600, 800, 1000, 1200, 1400, 1600};

struct Judged {
    Move move;
    int score;  // of the position after the move, from the mover's side
    Move reply;  // the full search's answer to it
    bool by_capture;
};

struct Tally {
    int moves, changed, blunders, by_capture;
    long long loss;
};

int clip(int score) { return score > SCORE_CLIP ? SCORE_CLIP : score < -SCORE_CLIP ? -SCORE_CLIP : score; }

// The first four fields of an EPD or FEN line, as a FEN with clocks 0 1.
std::string fen_of(const char* line) {
    char fields[4][128];
    if (std::sscanf(line, "%127s %127s %127s %127s", fields[0], fields[1], fields[2], fields[3]) != 4) return "";
    return std::string(fields[0]) + " " + fields[1] + " " + fields[2] + " " + fields[3] + " 0 1";
}

bool set_up(const std::string& fen) {
    const char* error = nullptr;
    if (!set_position_from_fen(fen.c_str(), &error, 1)) return false;
    compute_hash_key();
    hash_clear();
    clear_search_tables();
    return true;
}

// Squares and promotion: a move word taken from the table may lack the
// flags the generator gives the same move.
bool same_move(Move a, Move b) { return (a & 0xFFFFFF) == (b & 0xFFFFFF); }

// The full search's score of the position after m, from the mover's side,
// and whether its answer takes a man.
Judged judge(const std::string& fen, Move m, int depth) {
    set_up(fen);
    Judged j{m, 0, 0, false};
    generate_root_moves();
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i)
        if (same_move(pos.move_list[i].move, m)) m = pos.move_list[i].move;
    if (!make_legal_move(m)) return j;
    compute_hash_key();
    generate_root_moves();
    search_position(depth - 1, 0);
    const Move reply = search.pv[0][0];
    j.score = clip(reply ? -search.root_score : search.root_result == RESULT_STALEMATE ? 0 : SCORE_CLIP);
    j.reply = reply;
    j.by_capture = reply && pos.board[move_to(reply)];
    return j;
}

bool read_ratings(const char* text, std::vector<int>* ratings) {
    ratings->clear();
    std::string list = text ? text : "";
    for (size_t at = 0; at <= list.size();) {
        const size_t comma = list.find(',', at);
        const std::string word = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        int elo;
        if (!read_number("--elo", word.c_str(), STRENGTH_MIN_ELO, STRENGTH_MAX_ELO, &elo)) return false;
        ratings->push_back(elo);
        if (comma == std::string::npos || ratings->size() == MAX_RATINGS) break;
        at = comma + 1;
    }
    return true;
}

}  // namespace

// blunders [FILE] [--elo N,N,...] [--seeds N] [--depth D]
int command_blunders(int argc, char** argv) {
    std::vector<int> ratings(std::begin(DEFAULT_RATINGS), std::end(DEFAULT_RATINGS));
    int seeds = DEFAULT_SEEDS, depth = DEFAULT_JUDGE_DEPTH;
    const char* file_name = nullptr;
    for (int i = 0; i < argc; ++i) {
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!std::strcmp(argv[i], "--elo")) {
            if (!read_ratings(value, &ratings)) return 2;
        } else if (!std::strcmp(argv[i], "--seeds")) {
            if (!read_number("--seeds", value, 1, 1000, &seeds)) return 2;
        } else if (!std::strcmp(argv[i], "--depth")) {
            if (!read_number("--depth", value, 2, MAX_ITERATION - 1, &depth)) return 2;
        } else if (!file_name && std::strncmp(argv[i], "--", 2)) {
            file_name = argv[i];
            continue;
        } else {
            std::fprintf(stderr, "usage: vexmoth-tool blunders [FILE] [--elo N,N,...] [--seeds N] [--depth D]\n");
            return 2;
        }
        ++i;
    }
    if (hash_init(16) < 0) return 2;
    std::vector<std::string> fens;
    if (file_name) {
        FILE* file = std::fopen(file_name, "r");
        if (!file) {
            std::fprintf(stderr, "vexmoth-tool: cannot read position file '%s'\n", file_name);
            return 2;
        }
        char line[1024];
        while (std::fgets(line, sizeof line, file)) {
            const std::string fen = fen_of(line);
            if (fen.empty()) continue;
            if (!set_up(fen)) {
                std::fprintf(stderr, "vexmoth-tool: %s: a position the engine refuses\n", fen.c_str());
                std::fclose(file);
                return 2;
            }
            fens.push_back(fen);
        }
        std::fclose(file);
    } else {
        for (const char* fen : BENCH_FENS) fens.push_back(fen);
    }
    std::vector<Tally> tallies(ratings.size(), Tally{0, 0, 0, 0, 0});
    int judged_positions = 0;
    for (const std::string& fen : fens) {
        set_up(fen);
        search_position(depth, 0);
        const Move full = search.pv[0][0];
        const int best = search.root_score;
        if (!full || best >= MATE_BOUND || best <= -MATE_BOUND) continue;  // nothing to lose or no move to make
        ++judged_positions;
        std::vector<Judged> judged = {judge(fen, full, depth)};  // each move played once judged, the full one first
        for (size_t r = 0; r < ratings.size(); ++r) {
            for (int seed = 1; seed <= seeds; ++seed) {
                set_up(fen);
                search_position(MAX_ITERATION - 1, 0, 1, ratings[r], uint64_t(seed));
                const Move m = search.pv[0][0];
                size_t k = 0;
                while (k < judged.size() && !same_move(judged[k].move, m)) ++k;
                if (k == judged.size()) judged.push_back(judge(fen, m, depth));
                const int loss = judged[0].score - judged[k].score;
                Tally& t = tallies[r];
                ++t.moves;
                t.changed += !same_move(m, full);
                t.loss += loss > 0 ? loss : 0;
                if (loss > BLUNDER_LOSS) {
                    ++t.blunders;
                    t.by_capture += judged[k].by_capture;
                    const std::string played = move_text(m), reply = move_text(judged[k].reply);  // one buffer
                    std::printf("blunder elo %d seed %d %s: %s loses %d to %s%s (full strength %s)\n", ratings[r],
                                seed, fen.c_str(), played.c_str(), loss, reply.c_str(),
                                judged[k].by_capture ? ", which takes" : "", move_text(full));
                }
            }
        }
    }
    std::printf("%d of %zu positions (the others mate or are mated), %d seeds, judged at depth %d; loss in "
                "centipawns against the full search's move\n",
                judged_positions, fens.size(), seeds, depth);
    std::printf("elo   moves  other-move  mean-loss  loses>%d  of-which-taken-in-one\n", BLUNDER_LOSS);
    for (size_t r = 0; r < ratings.size(); ++r) {
        const Tally& t = tallies[r];
        std::printf("%-5d %6d %10d %10.1f %9d %9d\n", ratings[r], t.moves, t.changed,
                    t.moves ? double(t.loss) / t.moves : 0.0, t.blunders, t.by_capture);
    }
    return 0;
}
