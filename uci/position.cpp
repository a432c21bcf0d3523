// "position": the GUI's game, set up from the initial position or a FEN,
// then the moves played since, in UCI's text ("e2e4", "e1g1", "e7e8n"; with
// UCI_Chess960 castling is "e1h1"). The accepted set-up is kept (its FEN,
// its rules and its moves), because set-up from a FEN leaves the board
// undefined when it refuses one: a refused FEN then gives back the position
// that stood before the command.
#include <cstring>

#include "uci/uci.h"

namespace {

constexpr int FEN_SIZE = 256;  // a FEN with all 32 men and long counters takes under 100

char kept_fen[FEN_SIZE];               // the FEN of the set-up, "" for the initial position
int kept_chess960;                     // whether it was set up by Chess960's rules
Move kept_moves[GAME_HISTORY_LIMIT];   // the moves played from it
int kept_move_count;
// The kept game as the position command being carried out found it.
char previous_fen[FEN_SIZE];
Move previous_moves[GAME_HISTORY_LIMIT];

// Sets up the initial position ("") or the FEN, by Chess960's rules or
// not; 0 with *error when the FEN is refused. The table's generations go on
// counting searches: a position sent before every move is no reason to take
// the table's entries for new.
int set_up_base(const char* fen, int chess960, const char** error) {
    if (*fen) return set_position_from_fen(fen, error, 0, chess960);
    new_position(chess960);
    compute_hash_key();
    return 1;
}

// Gives back the kept position, every part of which was accepted before.
void restore_kept_position() {
    const char* error = nullptr;
    set_up_base(kept_fen, kept_chess960, &error);
    for (int i = 0; i < kept_move_count; ++i) {
        make_move_unchecked(kept_moves[i]);
        update_hash_key(kept_moves[i]);
    }
    generate_root_moves();
}

bool is_square_text(const char* text) {
    return text[0] >= 'a' && text[0] <= 'h' && text[1] >= '1' && text[1] <= '8';
}

// Two squares and, for a promotion, the lower-case letter of the piece.
bool is_move_text(const char* text) {
    const size_t n = std::strlen(text);
    return (n == 4 || (n == 5 && std::strchr("nbrq", text[4]))) && is_square_text(text) && is_square_text(text + 2);
}

// The entry of the ply-0 list that the text names, when the move is legal;
// it is then made and the ply-0 list is that of the new position.
bool play_move_text(const char* text) {
    for (int i = pos.first_move[0]; i < pos.last_move[0]; ++i) {
        const Move m = pos.move_list[i].move;
        if (std::strcmp(long_algebraic(m), text)) continue;
        if (!make_legal_move(m)) return false;
        update_hash_key(m);
        kept_moves[kept_move_count++] = m;
        generate_root_moves();
        return true;
    }
    return false;
}

// The moves from word `first` on, each legal in the position the ones
// before it reached; the first that is not ends the list.
void play_moves(int first) {
    for (int i = first; i < word_count; ++i) {
        const char* text = words[i];
        if (kept_move_count == GAME_HISTORY_LIMIT) {
            output_line("info string a game has at most %d half-moves: %s and the moves after it are ignored",
                        GAME_HISTORY_LIMIT, shown_text(text));
            return;
        }
        if (!is_move_text(text)) {
            output_line("info string malformed move %s: the moves before it are kept", shown_text(text));
            return;
        }
        if (!play_move_text(text)) {
            output_line("info string illegal move %s: the moves before it are kept", text);
            return;
        }
    }
}

// The kept game is the one kept before (the same FEN and moves) and then
// the two moves that the search's line begins with.
bool game_goes_on(int previous_count) {
    if (std::strcmp(previous_fen, kept_fen) || kept_move_count != previous_count + 2 || search.pv_length[0] < 2) return false;
    for (int i = 0; i < previous_count; ++i)
        if (kept_moves[i] != previous_moves[i]) return false;
    return kept_moves[previous_count] == search.pv[0][0] && kept_moves[previous_count + 1] == search.pv[0][1];
}

}  // namespace

void command_position() {
    // The search's previous line is followed only when the GUI's game goes
    // on from the game it searched by the move it found and the reply it
    // expected; any other position forgets the line (the table still holds
    // what the search found).
    std::memcpy(previous_fen, kept_fen, sizeof previous_fen);
    std::memcpy(previous_moves, kept_moves, sizeof(Move) * size_t(kept_move_count));
    const int previous_count = kept_move_count;

    // 1. the set-up: "startpos", or "fen" and the words up to "moves"
    int at;
    char fen[FEN_SIZE] = "";
    if (!std::strcmp(word_at(1), "startpos")) {
        at = 2;
    } else if (!std::strcmp(word_at(1), "fen")) {
        at = 2;
        while (at < word_count && std::strcmp(words[at], "moves")) ++at;
        if (!join_words(2, at, fen, FEN_SIZE)) {
            output_line("info string bad FEN: longer than %d characters; the position stays as it was", FEN_SIZE - 1);
            return;
        }
        if (!fen[0]) {
            output_line("info string position fen needs a FEN; the position stays as it was");
            return;
        }
    } else {
        output_line("info string position is written: position startpos|fen FEN [moves ...]");
        return;
    }
    if (at < word_count && std::strcmp(words[at], "moves")) {
        output_line("info string position: %s where moves or the end of the line belongs; the position stays "
                    "as it was",
                    shown_text(words[at]));
        return;
    }
    const char* error = nullptr;
    if (!set_up_base(fen, chess960_option, &error)) {
        output_line("info string %s; the position stays as it was", error);
        restore_kept_position();
        return;
    }
    std::memcpy(kept_fen, fen, sizeof fen);
    kept_chess960 = chess960_option;
    kept_move_count = 0;
    generate_root_moves();

    // 2. the moves
    play_moves(at + 1);
    if (!game_goes_on(previous_count)) search.pv_length[0] = 0;
}
