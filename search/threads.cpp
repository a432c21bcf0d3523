// The search threads.
#include "search/search_internal.h"

namespace {

int thread_count = 1;

}  // namespace

void set_search_threads(int count) { thread_count = count < 1 ? 1 : count > MAX_THREADS ? MAX_THREADS : count; }

int search_threads() { return thread_count; }

int64_t nodes_searched() { return nodes; }
