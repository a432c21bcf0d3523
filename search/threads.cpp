// The search threads: the front end's own thread (the main thread) runs
// search_move; with N threads, N - 1 helpers search the same root beside
// it, each with its own copy of everything a search writes, sharing the
// transposition table, so that each finds what the others stored. Every
// other helper starts one iteration deeper than the main thread, so the
// helpers are not all a step behind it on the same line. The main thread
// alone reads the clock and the input, reports and chooses the move; when
// it stops, it stops the helpers and waits for them. Between searches the
// helpers sleep on a condition variable.
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "search/search_internal.h"

namespace {

// A helper polls its stop flag every 64 nodes: a poll is one relaxed load
// and store, and 64 nodes take well under a millisecond, so a helper stops
// within a millisecond of the main thread.
constexpr int HELPER_POLL_MASK = 63;

struct Helper {
    std::thread thread;
    std::atomic<int64_t> nodes{0};  // its nodes, published at every poll and at the end
    std::atomic<int64_t> table_hits{0};  // its endgame-table hits, published with the nodes
    // Its last completed iteration: written by the helper, read by the main
    // thread only once every helper has stopped.
    int depth;
    int score;
    int length;
    Move line[PV_COLUMNS];
};

int thread_count = 1;
Helper helpers[MAX_THREADS - 1];

std::mutex mutex;
std::condition_variable wake;  // a search for the helpers, or their end
std::condition_variable idle;  // the last helper of a search has stopped
int search_serial;             // raised for every search the helpers join
int running;                   // helpers still searching the current root
bool ending;                   // the helpers are to end
std::atomic<bool> stop_now{false};
bool ends_at_exit;             // end_helpers is registered to run at exit

// Where the helpers start from, written by the main thread before it wakes
// them: the position with its ply-0 list, the line the main thread may
// follow, and its history heuristic.
PositionCopy root_copy;
Move root_line[PV_COLUMNS];
int root_line_length;
int root_line_score;
uint32_t root_history[64][64];
uint32_t root_history_max;
int root_restricted;  // the ply-0 list holds only the moves the front end named
int root_table_score;  // the tables' score for the root, 0 when they did not call it won or lost

int helper_stop_test() {
    helpers[search.helper - 1].nodes.store(search.nodes, std::memory_order_relaxed);
    helpers[search.helper - 1].table_hits.store(search.table_hits, std::memory_order_relaxed);
    return stop_now.load(std::memory_order_relaxed);
}

void helper_progress(int event) {
    if (event != PROGRESS_ITERATION) return;
    Helper& h = helpers[search.helper - 1];
    h.depth = search.completed_depth;
    h.score = search.root_score;
    h.length = search.pv_length[0];
    std::memcpy(h.line, search.pv[0], sizeof(Move) * size_t(search.pv_length[0]));
}

// One search of the root the main thread handed over, until the stop flag.
void help_search(Helper& h) {
    load_position(root_copy);
    std::memcpy(search.pv[0], root_line, sizeof(Move) * size_t(root_line_length));
    search.pv_length[0] = root_line_length;
    search.root_score = root_line_score;
    std::memcpy(pos.history_table, root_history, sizeof pos.history_table);
    pos.history_max = root_history_max;
    h.depth = 0;
    search.nodes = 0;
    search.table_hits = 0;
    search.table_root_score = root_table_score;
    SearchLimits limits{};
    limits.start_ms = now_ms();
    limits.depth = MAX_ITERATION - 1;
    limits.poll_mask = HELPER_POLL_MASK;
    limits.restricted_root = root_restricted;
    if (!stop_now.load(std::memory_order_relaxed)) root_search(limits);
    h.nodes.store(search.nodes, std::memory_order_relaxed);
    h.table_hits.store(search.table_hits, std::memory_order_relaxed);
}

// serial: the last search started before this helper was; it joins the
// ones after it.
void helper_main(int index, int serial) {
    Helper& h = helpers[index];
    search.helper = index + 1;
    search.stop_hook = helper_stop_test;
    search.progress_hook = helper_progress;
    search.warning_hook = nullptr;
    search.depth_offset = index % 2 == 0 ? 1 : 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [&] { return ending || search_serial != serial; });
            if (ending) return;
            serial = search_serial;
        }
        help_search(h);
        std::lock_guard<std::mutex> lock(mutex);
        if (--running == 0) idle.notify_one();
    }
}

void end_helpers() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        ending = true;
    }
    wake.notify_all();
    for (int i = 0; i < thread_count - 1; ++i) helpers[i].thread.join();
    ending = false;
}

}  // namespace

void set_search_threads(int count) {
    count = count < 1 ? 1 : count > MAX_THREADS ? MAX_THREADS : count;
    if (count == thread_count) return;
    end_helpers();
    thread_count = count;
    for (int i = 0; i < thread_count - 1; ++i) helpers[i].thread = std::thread(helper_main, i, search_serial);
    // A helper still asleep when the process ends would take its thread
    // object's destruction for a thread never joined.
    if (!ends_at_exit) ends_at_exit = std::atexit(end_helpers) == 0;
}

int search_threads() { return thread_count; }

int64_t nodes_searched() {
    int64_t sum = search.nodes;
    for (int i = 0; i < thread_count - 1; ++i) sum += helpers[i].nodes.load(std::memory_order_relaxed);
    return sum;
}

int64_t table_hits_searched() {
    int64_t sum = search.table_hits;
    for (int i = 0; i < thread_count - 1; ++i) sum += helpers[i].table_hits.load(std::memory_order_relaxed);
    return sum;
}

void start_helpers(const SearchLimits& limits) {
    if (thread_count == 1) return;
    // The node count of a search the main thread searches alone is its own.
    for (int i = 0; i < thread_count - 1; ++i) {
        helpers[i].nodes.store(0, std::memory_order_relaxed);
        helpers[i].table_hits.store(0, std::memory_order_relaxed);
    }
    if (limits.elo) return;
    save_position(&root_copy);
    root_restricted = limits.restricted_root;
    root_table_score = search.table_root_score;
    root_line_length = search.pv_length[0];
    std::memcpy(root_line, search.pv[0], sizeof(Move) * size_t(root_line_length));
    root_line_score = search.root_score;
    std::memcpy(root_history, pos.history_table, sizeof root_history);
    root_history_max = pos.history_max;
    stop_now.store(false, std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> lock(mutex);
        running = thread_count - 1;
        ++search_serial;
    }
    wake.notify_all();
}

void finish_helpers() {
    if (thread_count == 1 || search.search_limits.elo) return;
    stop_now.store(true, std::memory_order_relaxed);
    {
        std::unique_lock<std::mutex> lock(mutex);
        idle.wait(lock, [] { return running == 0; });
    }
    // A helper's line is taken when it completed an iteration deeper than
    // the one the main thread was searching when it stopped (or the depth
    // its table answer stood for); otherwise the main thread's own stands.
    // Several lines are the main thread's alone: its first is the move.
    if (search.search_limits.lines > 1) return;
    const Helper* deepest = nullptr;
    for (int i = 0; i < thread_count - 1; ++i)
        if (helpers[i].depth > (deepest ? deepest->depth : search.root_depth)) deepest = &helpers[i];
    if (!deepest || search.search_failure) return;
    std::memcpy(search.pv[0], deepest->line, sizeof(Move) * size_t(deepest->length));
    search.pv_length[0] = deepest->length;
    search.root_score = deepest->score;
    search.root_depth = search.completed_depth = deepest->depth;
    search.root_result = 0;
    if (search.progress_hook) search.progress_hook(PROGRESS_ITERATION);
}
