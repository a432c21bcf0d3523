#include "test_support.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "xboard/xboard.h"
#include "eval/eval.h"
#include "search/search_internal.h"
#include "tools/tools.h"

static uint32_t random_state;

// The engines' working directories go when every test has passed; after a failure they stay, so that
// the engines' vexmo.ini and vexmolog.txt can be read.
namespace {
struct RemoveTempDirs : ::testing::Environment {
    void TearDown() override {
        if (::testing::UnitTest::GetInstance()->Passed()) remove_temp_dirs();
    }
};
::testing::Environment* const remove_temp_dirs_at_end = ::testing::AddGlobalTestEnvironment(new RemoveTempDirs);
}  // namespace

void EngineTest::SetUp() {
    ASSERT_GT(start_engine(8), 0);
    for (const SearchOption& o : search_options) *o.flag = 1;
    load_tables("");  // no endgame tables, their options as at start-up
    table_probe_depth = 1;
    table_fifty_rule = 1;
    table_probe_limit = 7;
    engine_side = NO_SIDE;  // the xboard front end's words
    game_number = 0;
    total_nodes = total_time = 0;
    engine_clock = opponent_clock = moves_per_control = increment_ms = move_budget = 0;
    time_mode = TIME_MOVES;
    nps_estimate = 50000;
    command_time = now_ms();
    random_state = 2024;
}

void setup(const char* fen, int chess960) {
    const char* error = nullptr;
    ASSERT_TRUE(set_position_from_fen(fen, &error, 1, chess960)) << fen << ": " << error;
    compute_hash_key();
}

int sq(const char* name) { return make_square('8' - name[1], name[0] - 'a'); }

std::string rank_text(int row) {
    std::string text;
    for (int file = 0; file < 8; ++file) {
        const PieceRecord* r = pos.board[make_square(row, file)];
        text += r ? char("pnbrqk"[r->kind] - (r->color == WHITE ? 32 : 0)) : '.';
    }
    return text;
}

Move find_move(const char* text) {
    for (int i = pos.first_move[pos.ply]; i < pos.last_move[pos.ply]; ++i)
        if (!std::strcmp(move_text(pos.move_list[i].move), text)) return pos.move_list[i].move;
    return 0;
}

std::vector<Move> legal_moves() {
    pos.in_check_flag = find_checker(pos.xside);
    gen_moves();
    return legal_entries();
}

Snapshot take_snapshot() {
    Snapshot s{{}, {}, {pos.side, pos.xside, pos.castle_flags, pos.ep_square, pos.fifty, pos.history_count, pos.ply, pos.material[WHITE],
                        pos.material[BLACK], pos.piece_material[WHITE], pos.piece_material[BLACK]},
               pos.hash_key};
    std::memcpy(s.squares, pos.board, sizeof pos.board);
    std::memcpy(s.records, recs.piece_list, sizeof recs.piece_list);
    for (auto& list : s.records)
        for (PieceRecord& r : list) r.threat_flags = 0;  // a scoring cache, not position
    return s;
}

bool same(const Snapshot& a, const Snapshot& b) {
    return !std::memcmp(a.squares, b.squares, sizeof a.squares) &&
           !std::memcmp(a.records, b.records, sizeof a.records) && !std::memcmp(a.state, b.state, sizeof a.state) &&
           a.key == b.key;
}

uint32_t next_random() {
    random_state = random_state * 1664525u + 1013904223u;
    return random_state >> 8;
}

const std::vector<std::string> QUICK_CLOCK = {"level 40 5 0", "time 100", "otim 100"};

void start_session(EngineProcess& e) {
    const std::string dir = make_temp_dir();
    ASSERT_FALSE(dir.empty());
    ASSERT_TRUE(start_engine(e, dir));
    ASSERT_TRUE(expect_output(e, "\n"));
}

void send_lines(EngineProcess& e, const std::vector<std::string>& lines) {
    for (const std::string& l : lines) send_line(e, l);
}

std::string output_until_synced(EngineProcess& e, int timeout_ms) {
    const std::string marker = "Error (unknown command): unknown-sync-word\n";
    const size_t begin = e.consumed;
    send_line(e, "unknown-sync-word");
    EXPECT_TRUE(expect_output(e, marker, timeout_ms));
    return e.output.substr(begin, e.consumed - marker.size() - begin);
}

std::string answer_to(EngineProcess& e, const std::vector<std::string>& lines) {
    send_lines(e, lines);
    return output_until_synced(e);
}

std::vector<std::string> edit_lines(const std::vector<std::string>& white, const std::vector<std::string>& black) {
    std::vector<std::string> lines = {"edit", "#"};
    lines.insert(lines.end(), white.begin(), white.end());
    lines.push_back("c");
    lines.insert(lines.end(), black.begin(), black.end());
    lines.push_back(".");
    return lines;
}

void expect_holds(const std::string& text, const std::vector<std::string>& needles, const std::string& context) {
    for (const std::string& n : needles) {
        if (!n.empty() && n[0] == '!')
            EXPECT_EQ(text.find(n.substr(1)), std::string::npos) << context << ": holds " << n << "\n" << text;
        else
            EXPECT_NE(text.find(n), std::string::npos) << context << ": lacks " << n << "\n" << text;
    }
}

int check_perft_file(const char* path, int chess960, int (*deepest)(int line)) {
    std::ifstream epd(path);
    std::string line;
    int positions = 0;
    while (std::getline(epd, line)) {
        const size_t fen_end = line.find(';');
        if (fen_end == std::string::npos) continue;
        ++positions;
        setup(line.substr(0, fen_end).c_str(), chess960);
        const int max_depth = deepest(positions);
        for (size_t p = fen_end; p != std::string::npos; p = line.find(';', p + 1)) {
            int depth;
            unsigned long long count;
            if (std::sscanf(line.c_str() + p + 1, "D%d %llu", &depth, &count) != 2) {
                ADD_FAILURE() << "not a count: " << line;
                return positions;
            }
            if (depth > max_depth) continue;
            EXPECT_EQ(perft(depth), count) << line << " depth " << depth;
        }
        EXPECT_EQ(pos.history_count + pos.ply, 0) << line;
    }
    return positions;
}
