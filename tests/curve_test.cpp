// vexmoth-tool curve: the score picture of a game from a real log (two
// games against Fairy-Max in xboard, tests/data/match_vexmolog.txt), the
// placing of clipped and mate scores, and every kind of bad input.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string real_log = VEXMOTH_DATA_DIR "/match_vexmolog.txt";

struct CommandRun {
    int status;
    std::string out;  // standard output
    std::string err;  // standard error
};

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Runs a shell command line, standard output and error apart.
CommandRun shell(const std::string& command) {
    const std::string err_file = testing::TempDir() + "curve_stderr.txt";
    CommandRun r{-1, "", ""};
    FILE* p = popen((command + " 2>" + err_file).c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
    const int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = read_text(err_file);
    return r;
}

CommandRun curve(const std::string& words) { return shell(std::string(VEXMOTH_TOOL) + " curve " + words); }

// The number of engine lines ("... score(N) ...") under each "game N" line.
std::map<int, int> engine_lines_per_game(const std::string& log) {
    std::map<int, int> count;
    std::istringstream in(log);
    std::string line;
    int game = 0;
    while (std::getline(in, line)) {
        if (line.rfind("game ", 0) == 0) game = std::atoi(line.c_str() + 5);
        else if (line.find(" score(") != std::string::npos) ++count[game];
    }
    return count;
}

struct Point {
    double x, y;
    std::string fill;
};

// The value of attribute `name` in the element text `element`.
std::string attribute(const std::string& element, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const size_t at = element.find(key);
    if (at == std::string::npos) return "";
    const size_t start = at + key.size();
    return element.substr(start, element.find('"', start) - start);
}

// The points of the picture, in the order drawn.
std::vector<Point> points_of(const std::string& svg) {
    std::vector<Point> points;
    for (size_t at = svg.find("<circle "); at != std::string::npos; at = svg.find("<circle ", at + 1)) {
        const std::string element = svg.substr(at, svg.find('>', at) - at);
        points.push_back(Point{std::stod(attribute(element, "cx")), std::stod(attribute(element, "cy")),
                               attribute(element, "fill")});
    }
    return points;
}

bool have_xmllint() { return shell("command -v xmllint >/dev/null").status == 0; }

// An XPath number over the file, via xmllint (the file must parse as XML).
std::string xpath(const std::string& file, const std::string& expression) {
    const CommandRun r = shell("xmllint --xpath \"" + expression + "\" '" + file + "'");
    if (r.status != 0) return "xmllint failed: " + r.err;
    return r.out.substr(0, r.out.find_last_not_of("\n") + 1);
}

const char* const header =
    "No Hash Table used\nnullmove On\npre_prune On\ntune On\nresearch On\nfractional On\nnega_scout On\n\n";

std::string write_temp(const std::string& name, const std::string& text) {
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

}  // namespace

TEST(Curve, RealGameLastByDefault) {
    if (!have_xmllint()) GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
    const std::string out = testing::TempDir() + "last.svg";
    std::remove(out.c_str());
    const CommandRun r = curve("'" + real_log + "' '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    // The log holds an empty game 1 (xboard starts with two "new"), game 2
    // and game 3; the last game with engine moves is drawn.
    const std::map<int, int> lines = engine_lines_per_game(read_text(real_log));
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines.count(3), 1u);
    EXPECT_EQ(xpath(out, "count(/*[local-name()='svg'])"), "1");
    EXPECT_EQ(xpath(out, "count(//*[@id='points']/*[local-name()='circle'])"), std::to_string(lines.at(3)));
    EXPECT_NE(xpath(out, "string(/*[local-name()='svg']/*[local-name()='title'])").find("game 3"),
              std::string::npos);
    // Axes labels and the tick labels of both scales are there.
    const std::string svg = read_text(out);
    for (const char* label : {">move<", ">score in pawns", ">+10<", ">-10<", ">0<"})
        EXPECT_NE(svg.find(label), std::string::npos) << label;
}

TEST(Curve, ChosenGameWithMates) {
    if (!have_xmllint()) GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
    const std::string out = testing::TempDir() + "game2.svg";
    const CommandRun r = curve("--game 2 '" + real_log + "' '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string log = read_text(real_log);
    const int moves = engine_lines_per_game(log).at(2);
    EXPECT_EQ(xpath(out, "count(//*[@id='points']/*[local-name()='circle'])"), std::to_string(moves));
    // Game 2 was lost to a mate: the engine saw it coming (-7951 and below,
    // then -8000 when it had no move). Those points lie on the bottom edge,
    // below every other point, and are the red ones.
    int mate_lines = 0;
    {
        std::istringstream in(log);
        std::string line;
        int game = 0;
        while (std::getline(in, line)) {
            if (line.rfind("game ", 0) == 0) game = std::atoi(line.c_str() + 5);
            const size_t at = line.find(" score(");
            if (game == 2 && at != std::string::npos && std::atoi(line.c_str() + at + 7) <= -7951) ++mate_lines;
        }
    }
    ASSERT_GT(mate_lines, 0);
    const std::vector<Point> points = points_of(read_text(out));
    ASSERT_EQ(int(points.size()), moves);
    double bottom = 0;
    for (const Point& p : points) bottom = p.y > bottom ? p.y : bottom;
    int red = 0;
    for (const Point& p : points)
        if (p.fill != "#1f5fa8") {
            ++red;
            EXPECT_EQ(p.y, bottom);
        }
    EXPECT_EQ(red, mate_lines);
    EXPECT_EQ(points.back().y, bottom);  // the last line, -8000: no move left
    // The moves go left to right.
    for (size_t i = 1; i < points.size(); ++i) EXPECT_GT(points[i].x, points[i - 1].x);

    // Without OUT.svg the same picture goes to standard output.
    const CommandRun to_stdout = curve("--game 2 '" + real_log + "'");
    EXPECT_EQ(to_stdout.status, 0);
    EXPECT_EQ(to_stdout.out, read_text(out));
}

TEST(Curve, ClipsAtTenPawnsAndDrawsMatesAtTheEdge) {
    const std::string log = write_temp("clip_log.txt", std::string(header) + "game 1\n\n" +
                                                           "   0  e2e4 score(0) iter(5) nps(1000) hashhit (0)\n"
                                                           "   0  e7e5 \n"
                                                           "   1  g1f3 score(250) iter(5) nps(1000) hashhit (0)\n"
                                                           "   1  b8c6 \n"
                                                           "   2  f1c4 score(-250) iter(5) nps(1000) hashhit (0)\n"
                                                           "   3  c4f7 score(1000) iter(5) nps(1000) hashhit (0)\n"
                                                           "   4  d1h5 score(1500) iter(5) nps(1000) hashhit (0)\n"
                                                           "   5  h5f7 score(7990) iter(5) nps(1000) hashhit (0)\n"
                                                           "   6  a2a3 score(-1500) iter(5) nps(1000) hashhit (0)\n"
                                                           "   7  a8a8 score(-8000) iter(1) nps(1000) hashhit (0)\n");
    const CommandRun r = curve("'" + log + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Point> p = points_of(r.out);
    ASSERT_EQ(p.size(), 8u);
    const double zero = p[0].y, top = p[3].y, bottom = p[7].y;
    EXPECT_LT(top, zero);
    EXPECT_NEAR(zero, (top + bottom) / 2, 0.11);
    EXPECT_NEAR(zero - p[1].y, (zero - top) / 4, 0.11);   // +2.5 pawns
    EXPECT_NEAR(p[2].y - zero, (zero - top) / 4, 0.11);   // -2.5 pawns
    EXPECT_EQ(p[4].y, top);     // +15 clipped to +10
    EXPECT_EQ(p[5].y, top);     // a mate found, at the edge
    EXPECT_EQ(p[6].y, bottom);  // -15 clipped to -10
    EXPECT_EQ(p[5].fill, p[7].fill);
    EXPECT_NE(p[4].fill, p[5].fill);  // a clipped score is no mate
    // One move number apart, one step apart.
    for (size_t i = 2; i < p.size(); ++i) EXPECT_NEAR(p[i].x - p[i - 1].x, p[1].x - p[0].x, 0.11);
}

TEST(Curve, BadInput) {
    const std::string dir = testing::TempDir();
    const std::string out = dir + "never.svg";
    const std::string log = read_text(real_log);
    const size_t body = log.find("game 2");
    ASSERT_NE(body, std::string::npos);
    const std::string garbled = log.substr(0, body) + "game 2\n\nhello\n" + log.substr(body);
    const std::vector<std::string> bad = {
        "",                                                       // no LOG
        "'" + dir + "no-such-log.txt' '" + out + "'",             // missing
        "'" + dir + "' '" + out + "'",                            // a directory
        "'" + write_temp("empty.txt", "") + "' '" + out + "'",    // empty
        "'" VEXMOTH_DATA_DIR "/perft.epd' '" + out + "'",         // another kind of file
        "'" + write_temp("garbled.txt", garbled) + "' '" + out + "'",
        "'" + write_temp("short_header.txt", "No Hash Table used\nnullmove On\n") + "' '" + out + "'",
        "'" + write_temp("bad_score.txt", std::string(header) + "game 1\n\n   0  e2e4 score(x) iter(5) nps(1) hashhit (0)\n") +
            "' '" + out + "'",
        "'" + write_temp("no_game.txt", header) + "' '" + out + "'",
        "'" + write_temp("opponent_only.txt", std::string(header) + "game 1\n\n   0  e2e4 \n\ngame 2\n\n") + "' '" +
            out + "'",
        "--game 7 '" + real_log + "' '" + out + "'",  // no such game
        "--game 1 '" + real_log + "' '" + out + "'",  // a game without an engine move
        "--game x '" + real_log + "' '" + out + "'",
        "'" + real_log + "' '" + out + "' --game",
        "'" + real_log + "' '" + out + "' extra",
        "'" + real_log + "' '" + dir + "no-such-dir/out.svg'",  // cannot write
    };
    for (const std::string& words : bad) {
        std::remove(out.c_str());
        const CommandRun r = curve(words);
        EXPECT_EQ(r.status, 2) << words;
        EXPECT_EQ(r.out, "") << words;
        EXPECT_FALSE(r.err.empty()) << words;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << words << "\n" << r.err;  // one line
        EXPECT_FALSE(exists(out)) << words;
    }
    // A file the user may not read (root reads everything, so only then).
    if (geteuid() != 0) {
        const std::string locked = write_temp("locked.txt", log);
        chmod(locked.c_str(), 0);
        const CommandRun r = curve("'" + locked + "' '" + out + "'");
        EXPECT_EQ(r.status, 2);
        EXPECT_FALSE(exists(out));
    }
}
