// The search-wide state shared by the searches, the root and the driver.
#include <cstring>

#include "search/search.h"

Move pv[PV_ROWS][PV_COLUMNS];
int pv_length[PV_ROWS + 1];
int follow_pv;
int64_t nodes;
int poll_mask = 4095;
int poll_count;
int in_check_flag;
int quiesce_entry;
int extension_fraction;
int stalemate_seen;
int hash_hits;
int null_ply;

uint32_t history_table[64][64];
uint32_t history_max;

int nullmove = 1;
int pre_prune = 1;
int tune = 1;
int research = 1;
int fractional_extension = 1;
int nega_scout = 1;

void clear_search_tables() {
    std::memset(pv, 0, sizeof pv);
    pv_length[0] = 0;
    std::memset(history_table, 0, sizeof history_table);
    history_max = 0;
}
