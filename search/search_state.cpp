// The search's words: each thread's own, and the option flags all share.
#include <cstring>
#include <type_traits>

#include "search/search_internal.h"

thread_local SearchState search;
static_assert(std::is_trivial_v<SearchState>, "a thread's search words are plain data (see BoardState)");

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
    std::memset(search.pv, 0, sizeof search.pv);
    search.pv_length[0] = 0;
    std::memset(pos.history_table, 0, sizeof pos.history_table);
    pos.history_max = 0;
}
