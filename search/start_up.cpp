// The start-up of every program over the engine core: both front ends, the
// developer tool, the tests and the fuzzers set the engine up here.
#include "eval/eval.h"
#include "search/search_internal.h"

int start_engine(int hash_megabytes) {
    // The lookup tables never change once built, so a second start-up (the
    // tests start the engine afresh for every test) keeps them.
    static bool tables_built = false;
    if (!tables_built) {
        init_bit_count();
        init_tables();
        tables_built = true;
    }
    set_search_threads(1);
    // This thread's words afresh, and the few that do not start at zero.
    pos = BoardState{};
    recs = BoardRecords{};
    ev = EvalState{};
    search = SearchState{};
    search.stop_hook = limits_reached;
    search.poll_mask = 4095;
    search.root_score = NO_SCORE;
    ev.game_phase = 1;
    const int records = hash_init(hash_megabytes);
    new_position();
    clear_search_tables();
    compute_hash_key();
    generate_root_moves();
    ev.root_piece_material[WHITE] = pos.piece_material[WHITE];
    ev.root_piece_material[BLACK] = pos.piece_material[BLACK];
    return records;
}
