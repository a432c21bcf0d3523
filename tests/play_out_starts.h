// Start positions for random play-outs and searches (the board and search tests, the UCI fuzzer,
// the move-text fuzz target): castling both ways, en passant at once or soon, promotions with and
// without capture for both colours, a side to move in check, quiet middlegames and endgames.
#pragma once

constexpr int PLAY_OUT_START_COUNT = 11;
// The fuzz corpus picks its position by index: new positions go at the end.
constexpr const char* PLAY_OUT_STARTS[PLAY_OUT_START_COUNT] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "r3k2r/8/8/8/8/8/8/R3K1R1 b Qkq - 0 1",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "6k1/pp3ppp/2n5/3b4/3B4/2N5/PP3PPP/6K1 w - - 0 1",
    "4r1k1/5ppp/8/1P6/8/2B5/5PPP/3R2K1 b - - 0 1",
};
