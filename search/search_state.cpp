// The search-wide state shared by the searches, the root and the front ends.
#include <cstring>

#include "search/search_internal.h"

thread_local Move pv[PV_ROWS][PV_COLUMNS];
thread_local int pv_length[PV_ROWS + 1];
thread_local int follow_pv;
thread_local int64_t nodes;
thread_local int poll_mask = 4095;
thread_local int poll_count;
thread_local int quiesce_entry;
thread_local int extension_fraction;
thread_local int stalemate_seen;
thread_local int hash_hits;
thread_local int null_ply;

int nullmove = 1;
int pre_prune = 1;
int tune = 1;
int research = 1;
int fractional_extension = 1;
int nega_scout = 1;

const SearchOption search_options[SEARCH_OPTION_COUNT] = {
    {"nega_scout", &nega_scout}, {"nullmove", &nullmove}, {"pre_prune", &pre_prune},
    {"fractional_extension", &fractional_extension}, {"tune", &tune}, {"research", &research},
};

int* option_flag(const char* name) {
    for (const SearchOption& o : search_options)
        if (!std::strcmp(name, o.name)) return o.flag;
    return nullptr;
}

void clear_search_tables() {
    std::memset(pv, 0, sizeof pv);
    pv_length[0] = 0;
    std::memset(history_table, 0, sizeof history_table);
    history_max = 0;
}
