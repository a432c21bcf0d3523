// vexmoth-tool curve: the engine's score over one game, read from its log
// vexmolog.txt and drawn as a standalone SVG picture.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "tools/tools.h"

namespace {

// Scores are in centipawns from the engine's view; at or beyond MATE_BOUND
// they are mates, MATE less the half-moves to the mate, and NO_SCORE is a
// side without a move.
constexpr double CLIP_PAWNS = 10.0;

struct CurvePoint {
    int move;          // the move number as a game score counts it (from 1)
    std::string text;  // the move as the log writes it
    int score;         // centipawns
};

struct LogGame {
    int number;  // the "game N" line; 0 for moves before the first one
    std::vector<CurvePoint> points;
};

// ---- Reading the log ------------------------------------------------------

bool literal(const std::string& s, size_t& pos, const char* text) {
    const size_t n = std::strlen(text);
    if (s.compare(pos, n, text) != 0) return false;
    pos += n;
    return true;
}

// An optionally signed decimal number of at most nine digits.
bool number(const std::string& s, size_t& pos, int* value) {
    const size_t start = pos;
    if (pos < s.size() && s[pos] == '-') ++pos;
    const size_t digits = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') ++pos;
    if (pos == digits || pos - digits > 9) return false;
    *value = std::atoi(s.c_str() + start);
    return true;
}

bool square(const std::string& s, size_t& pos) {
    if (pos + 2 > s.size() || s[pos] < 'a' || s[pos] > 'h' || s[pos + 1] < '1' || s[pos + 1] > '8') return false;
    pos += 2;
    return true;
}

// "%4d  MOVE": the number right-aligned (wider when it needs more columns),
// two blanks, then a move such as e2e4 or e7e8,q.
bool numbered_move(const std::string& s, size_t& pos, int* move_number, std::string* text) {
    pos = 0;
    while (pos < s.size() && s[pos] == ' ') ++pos;
    const size_t blanks = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') ++pos;
    const size_t digits = pos - blanks;
    if (digits == 0 || digits > 9 || blanks + digits != (digits < 4 ? 4 : digits)) return false;
    *move_number = std::atoi(s.c_str() + blanks);
    if (!literal(s, pos, "  ")) return false;
    const size_t start = pos;
    if (!square(s, pos) || !square(s, pos)) return false;
    if (pos + 1 < s.size() && s[pos] == ',' && s[pos + 1] && std::strchr("qrbn", s[pos + 1])) pos += 2;
    *text = s.substr(start, pos - start);
    return true;
}

bool table_line(const std::string& s) {
    if (s == "No Hash Table used") return true;
    size_t pos = 0;
    int n;
    return literal(s, pos, "Hash Size ") && number(s, pos, &n) && literal(s, pos, ".") && number(s, pos, &n) &&
           literal(s, pos, " mb, record size 10, records ") && number(s, pos, &n) && pos == s.size();
}

bool switch_line(const std::string& s, const char* name) {
    return s == std::string(name) + " On" || s == std::string(name) + " Off";
}

// Splits the file into lines; a last line without its newline counts too.
std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool read_whole_file(const char* path, std::string* text) {
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "vexmoth-tool: cannot read '%s': %s\n", path, std::strerror(errno));
        return false;
    }
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text->append(buffer, n);
    const bool failed = std::ferror(f);
    const int saved = errno;
    std::fclose(f);
    if (failed) {
        std::fprintf(stderr, "vexmoth-tool: cannot read '%s': %s\n", path, std::strerror(saved));
        return false;
    }
    return true;
}

// Reads the games of a log: the table line and the six switch lines with
// the empty line after them, then "game N" lines, empty lines and move
// lines. Prints the error and returns false for anything else.
bool parse_log(const char* path, const std::string& text, std::vector<LogGame>* games) {
    if (text.empty()) {
        std::fprintf(stderr, "vexmoth-tool: '%s' is empty, not a Vexmoth log\n", path);
        return false;
    }
    const std::vector<std::string> lines = split_lines(text);
    static const char* const switches[] = {"nullmove", "pre_prune", "tune", "research", "fractional", "nega_scout"};
    size_t bad = 0;  // line number of the first bad line, from 1
    if (lines.empty() || !table_line(lines[0])) bad = 1;
    for (size_t i = 0; !bad && i < 6; ++i)
        if (i + 1 >= lines.size() || !switch_line(lines[i + 1], switches[i])) bad = i + 2;
    if (!bad && (lines.size() < 8 || !lines[7].empty())) bad = 8;
    for (size_t i = 8; !bad && i < lines.size(); ++i) {
        const std::string& s = lines[i];
        size_t pos = 0;
        int n, move_number, score;
        std::string move;
        if (s.empty()) continue;
        if (literal(s, pos, "game ") && number(s, pos, &n) && pos == s.size()) {
            games->push_back(LogGame{n, {}});
            continue;
        }
        if (!numbered_move(s, pos, &move_number, &move) || move_number < 0) {
            bad = i + 1;
            break;
        }
        if (pos + 1 == s.size() && s[pos] == ' ') continue;  // the opponent's move
        if (!literal(s, pos, " score(") || !number(s, pos, &score) || !literal(s, pos, ") iter(") ||
            !number(s, pos, &n) || !literal(s, pos, ") nps(") || !number(s, pos, &n) ||
            !literal(s, pos, ") hashhit (") || !number(s, pos, &n) || !literal(s, pos, ")") || pos != s.size()) {
            bad = i + 1;
            break;
        }
        if (games->empty()) games->push_back(LogGame{0, {}});
        games->back().points.push_back(CurvePoint{move_number + 1, move, score});
    }
    if (bad) {
        std::fprintf(stderr, "vexmoth-tool: '%s' is not a Vexmoth log (line %zu is not a log line)\n", path, bad);
        return false;
    }
    return true;
}

// ---- Drawing --------------------------------------------------------------

constexpr int WIDTH = 760, HEIGHT = 400;
constexpr int LEFT = 70, RIGHT = 24, TOP = 56, BOTTOM = 56;
constexpr double PLOT_W = WIDTH - LEFT - RIGHT, PLOT_H = HEIGHT - TOP - BOTTOM;

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    return buffer;
}

std::string xml_escaped(const std::string& s) {
    std::string out;
    for (const char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                // Control characters are not allowed in XML text.
                if ((unsigned char)c >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

bool is_mate(int score) { return score >= MATE_BOUND || score <= -MATE_BOUND; }

// The height of a score in pawns, clipped at the edges of the plot.
double y_of(double pawns) {
    if (pawns > CLIP_PAWNS) pawns = CLIP_PAWNS;
    if (pawns < -CLIP_PAWNS) pawns = -CLIP_PAWNS;
    return TOP + (CLIP_PAWNS - pawns) / (2 * CLIP_PAWNS) * PLOT_H;
}

double y_of_score(int score) {
    if (score >= MATE_BOUND) return y_of(CLIP_PAWNS);
    if (score <= -MATE_BOUND) return y_of(-CLIP_PAWNS);
    return y_of(score / 100.0);
}

std::string score_text(int score) {
    if (score <= NO_SCORE) return "no move";
    if (score >= MATE_BOUND) return format("mates in %d", (MATE - score + 1) / 2);
    if (score <= -MATE_BOUND) return format("is mated in %d", (MATE + score) / 2);
    return format("%+.2f", score / 100.0);
}

// A tick spacing of 1, 2 or 5 times a power of ten giving at most ten steps.
int tick_step(int last) {
    for (int scale = 1;; scale *= 10)
        for (int m : {1, 2, 5})
            if (last <= 10 * m * scale) return m * scale;
}

std::string draw_curve(const LogGame& game, const char* log_path) {
    int last = 1;
    for (const CurvePoint& p : game.points) last = p.move > last ? p.move : last;
    const int step = tick_step(last);
    const int x_end = (last + step - 1) / step * step;
    auto x_of = [x_end](int move) { return LEFT + PLOT_W * move / x_end; };

    std::string svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\" "
                  "font-family=\"sans-serif\" font-size=\"12\">\n",
                  WIDTH, HEIGHT, WIDTH, HEIGHT);
    const std::string title = format("Vexmoth's score in game %d", game.number);
    svg += "<title>" + xml_escaped(title + " of " + log_path) + "</title>\n";
    svg += format("<rect width=\"%d\" height=\"%d\" fill=\"white\"/>\n", WIDTH, HEIGHT);
    svg += format("<text x=\"%d\" y=\"24\" text-anchor=\"middle\" font-size=\"16\" font-weight=\"bold\">%s</text>\n",
                  WIDTH / 2, xml_escaped(title).c_str());
    svg += format("<text x=\"%d\" y=\"42\" text-anchor=\"middle\" fill=\"#555\">%s</text>\n", WIDTH / 2,
                  xml_escaped(format("%zu turns of the engine; scores beyond 10 pawns at the edge, mate scores in red",
                                     game.points.size()))
                      .c_str());

    // Grid and tick labels: every two pawns up the side, every step along.
    svg += "<g id=\"grid\" stroke=\"#e2e2e2\" stroke-width=\"1\">\n";
    for (int pawns = -10; pawns <= 10; pawns += 2)
        svg += format("<line x1=\"%d\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>\n", LEFT, y_of(pawns), LEFT + PLOT_W,
                      y_of(pawns));
    for (int move = step; move <= x_end; move += step)
        svg += format("<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%.1f\"/>\n", x_of(move), TOP, x_of(move),
                      TOP + PLOT_H);
    svg += "</g>\n";
    svg += "<g id=\"axes\" stroke=\"#333\" stroke-width=\"1\">\n";
    svg += format("<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%.1f\"/>\n", LEFT, TOP, LEFT, TOP + PLOT_H);
    svg += format("<line x1=\"%d\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>\n", LEFT, TOP + PLOT_H, LEFT + PLOT_W,
                  TOP + PLOT_H);
    svg += format("<line x1=\"%d\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#888\"/>\n", LEFT, y_of(0),
                  LEFT + PLOT_W, y_of(0));
    svg += "</g>\n";
    svg += "<g id=\"labels\" fill=\"#333\">\n";
    for (int pawns = -10; pawns <= 10; pawns += 2)
        svg += format("<text x=\"%d\" y=\"%.1f\" text-anchor=\"end\">%s</text>\n", LEFT - 6, y_of(pawns) + 4,
                      pawns > 0 ? format("+%d", pawns).c_str() : format("%d", pawns).c_str());
    for (int move = 0; move <= x_end; move += step)
        svg += format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%d</text>\n", x_of(move),
                      TOP + PLOT_H + 16, move);
    svg += format("<text x=\"%.1f\" y=\"%d\" text-anchor=\"middle\">move</text>\n", LEFT + PLOT_W / 2,
                  HEIGHT - 14);
    svg += format("<text transform=\"translate(20 %.1f) rotate(-90)\" text-anchor=\"middle\">"
                  "score in pawns, Vexmoth's view</text>\n",
                  TOP + PLOT_H / 2);
    svg += "</g>\n";

    // The curve, then one point per engine move (a mate in red, at the edge).
    std::string line_points;
    for (const CurvePoint& p : game.points)
        line_points += format("%s%.1f,%.1f", line_points.empty() ? "" : " ", x_of(p.move), y_of_score(p.score));
    svg += "<polyline id=\"curve\" fill=\"none\" stroke=\"#1f5fa8\" stroke-width=\"1.5\" points=\"" + line_points +
           "\"/>\n";
    svg += "<g id=\"points\" stroke=\"white\" stroke-width=\"0.5\">\n";
    for (const CurvePoint& p : game.points) {
        const char* fill = is_mate(p.score) ? "#c0262d" : "#1f5fa8";
        svg += format("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%s\" fill=\"%s\"><title>move %d %s: %s</title></circle>\n",
                      x_of(p.move), y_of_score(p.score), is_mate(p.score) ? "4" : "2.5", fill, p.move,
                      xml_escaped(p.text).c_str(), score_text(p.score).c_str());
    }
    svg += "</g>\n</svg>\n";
    return svg;
}

bool write_file(const char* path, const std::string& text) {
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "vexmoth-tool: cannot write '%s': %s\n", path, std::strerror(errno));
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int saved = errno;
    if (std::fclose(f) != 0 || !written) {
        std::fprintf(stderr, "vexmoth-tool: cannot write '%s': %s\n", path, std::strerror(saved ? saved : errno));
        std::remove(path);
        return false;
    }
    return true;
}

}  // namespace

int command_curve(int argc, char** argv) {
    const char* log_path = nullptr;
    const char* out_path = nullptr;
    int wanted = -1;  // the game asked for; -1 for the last
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--game")) {
            char* end;
            const long n = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : -1;
            if (i + 1 >= argc || !*argv[i + 1] || *end || n < 0 || n > 1000000000) {
                std::fprintf(stderr, "vexmoth-tool: --game needs a game number from the log's 'game N' lines\n");
                return 2;
            }
            wanted = int(n);
            ++i;
        } else if (!log_path) {
            log_path = argv[i];
        } else if (!out_path) {
            out_path = argv[i];
        } else {
            log_path = nullptr;
            break;
        }
    }
    if (!log_path) {
        std::fprintf(stderr, "usage: vexmoth-tool curve LOG [OUT.svg] [--game N]\n");
        return 2;
    }

    std::string text;
    std::vector<LogGame> games;
    if (!read_whole_file(log_path, &text) || !parse_log(log_path, text, &games)) return 2;
    const LogGame* game = nullptr;
    for (const LogGame& g : games)
        if (!g.points.empty() && (wanted < 0 || g.number == wanted)) game = &g;
    if (!game) {
        if (wanted < 0)
            std::fprintf(stderr, "vexmoth-tool: '%s' holds no game with a move by the engine\n", log_path);
        else
            std::fprintf(stderr, "vexmoth-tool: '%s' holds no game %d with a move by the engine\n", log_path, wanted);
        return 2;
    }

    const std::string svg = draw_curve(*game, log_path);
    if (!out_path) {
        std::fwrite(svg.data(), 1, svg.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 2;
    }
    return write_file(out_path, svg) ? 0 : 2;
}
