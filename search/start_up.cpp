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
    const int records = hash_init(hash_megabytes);
    new_position();
    clear_search_tables();
    compute_hash_key();
    generate_root_moves();
    // The search's words and hooks as a new process has them.
    root_score = NO_SCORE;
    root_depth = root_result = 0;
    time_out = late_stop_armed = 0;
    search_failure = nullptr;
    stop_hook = limits_reached;
    progress_hook = nullptr;
    warning_hook = nullptr;
    follow_pv = quiesce_entry = extension_fraction = stalemate_seen = hash_hits = null_ply = 0;
    poll_mask = 4095;
    poll_count = 0;
    nodes = 0;
    game_phase = 1;
    root_piece_material[WHITE] = piece_material[WHITE];
    root_piece_material[BLACK] = piece_material[BLACK];
    return records;
}
