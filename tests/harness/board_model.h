// The protocol tests' own board, on which they follow the engine's position and judge the moves of its
// answers: shared by the UCI protocol test and the two protocol fuzzers, which link no GoogleTest.
#pragma once

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"

inline std::vector<std::string> words_of(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// The entries of the current ply's list (generated) that do not leave the own king attacked, in list order;
// and the one written as text (0 for none).
inline std::vector<Move> legal_entries() {
    std::vector<Move> moves;
    for (int i = pos.first_move[pos.ply]; i < pos.last_move[pos.ply]; ++i) {
        if (!make_legal_move(pos.move_list[i].move)) continue;
        moves.push_back(pos.move_list[i].move);
        unmake_move();
    }
    return moves;
}
inline Move legal_move_named(const std::string& text) {
    for (const Move m : legal_entries())
        if (text == long_algebraic(m)) return m;
    return 0;
}
inline void play_move(Move m) {
    make_move(m);
    generate_root_moves();
}

// The moves are legal one after the other; the board is left as it was.
inline bool legal_sequence(const std::vector<std::string>& moves) {
    size_t made = 0;
    for (Move m; made < moves.size() && (m = legal_move_named(moves[made])); ++made) play_move(m);
    for (size_t i = 0; i < made; ++i) unmake_move();
    generate_root_moves();
    return made == moves.size();
}

inline std::string model_fen;          // the UCI engine's set-up ("" the initial position)
inline std::vector<Move> model_moves;  // and the moves since
inline int model_chess960;             // UCI_Chess960 as the next set-up reads it
inline int model_fen_chess960;         // and as the kept set-up was read

// A set-up on the board (by Chess960's rules with chess960); a refused FEN puts the model's back and gives
// false.
inline bool set_up(const std::string& fen, const std::vector<Move>& moves = {}, int chess960 = model_chess960) {
    const char* error = nullptr;
    if (!fen.empty() && !set_position_from_fen(fen.c_str(), &error, 1, chess960)) {
        set_up(model_fen, model_moves, model_fen_chess960);
        return false;
    }
    if (fen.empty()) new_position(chess960);
    generate_root_moves();
    for (const Move m : moves) play_move(m);
    return true;
}

// Follows a "position" line as the engine does (a refused FEN keeps the position before, a refused move
// the moves before it); true when the engine must refuse the line or a part of it.
inline bool follow_position(const std::string& line) {
    const std::vector<std::string> w = words_of(line);
    if (w.size() < 2 || (w[1] != "fen" && w[1] != "startpos")) return true;
    size_t at = 2;
    std::string fen;
    for (; w[1] == "fen" && at < w.size() && w[at] != "moves"; ++at) fen += (fen.empty() ? "" : " ") + w[at];
    if ((w[1] == "fen" && (fen.empty() || fen.size() > 255)) || (at < w.size() && w[at] != "moves") || !set_up(fen))
        return true;
    model_fen = fen;
    model_fen_chess960 = model_chess960;
    model_moves.clear();
    for (size_t i = at + 1; i < w.size(); ++i) {
        const Move m = legal_move_named(w[i]);
        if (model_moves.size() == size_t(GAME_HISTORY_LIMIT) || !m) return true;
        play_move(m);
        model_moves.push_back(m);
    }
    return false;
}

// What is wrong with a search's output up to its bestmove line, "" when nothing: each pv and each root
// move named ("info currmove M currmovenumber K") must be legal; the last line "bestmove M" or "bestmove M
// ponder R", M legal (0000 when no move is) and one of `allowed` when that names any, R legal after M; and
// whatever ended the search, M has a score: the last "multipv 1" line has one, and its pv begins with M.
inline std::string search_fault(const std::string& out, const std::vector<std::string>& allowed = {}) {
    std::string last, best;  // the last line, the last one of the best line
    for (size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
        last = out.substr(at, end - at);
        const std::vector<std::string> w = words_of(last);
        const size_t line_at = last.find(" pv ");
        const bool info_with_pv = last.rfind("info ", 0) == 0 && line_at != std::string::npos;
        if (info_with_pv && !legal_sequence(words_of(last.substr(line_at + 4))))
            return "pv not legal: " + last;
        if (last.rfind("info currmove ", 0) == 0 && (w.size() != 5 || !legal_sequence({w[2]})))
            return "root move not legal: " + last;
        if (line_at != std::string::npos && last.find(" multipv 1 ") != std::string::npos) best = last + " ";
    }
    const std::vector<std::string> w = words_of(last);
    if ((w.size() != 2 && (w.size() != 4 || w[2] != "ponder")) || w[0] != "bestmove") return "no bestmove: " + last;
    std::vector<std::string> played = {w[1]};
    if (w.size() == 4) played.push_back(w[3]);
    const bool named = allowed.empty() || std::count(allowed.begin(), allowed.end(), w[1]);
    if (legal_entries().empty() ? w.size() != 2 || w[1] != "0000" : !named || !legal_sequence(played))
        return "bestmove or its ponder move not legal: " + last;
    if (w[1] != "0000" && (best.find(" score ") == std::string::npos || best.find(" pv " + w[1] + " ") == best.npos))
        return "no score for the move played: " + last;
    return "";
}
