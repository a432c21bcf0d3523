// The full-width searches: the principal-variation search, plain
// alpha-beta and the search under a null move, as one body over the kind of
// node. The kinds differ in a few conditions, each marked where it acts:
// - only the PV search has scout nodes: a scout node that fails low widens
//   its window to the caller's real one (full_alpha) and searches its list
//   again, ordered by the scores its first pass gave each move; plain
//   alpha-beta and the null search pass their own alpha as full_alpha, so
//   their windows never widen;
// - below a null move no principal variation is kept, and neither the
//   repetition test nor the fractional extension runs (the null move
//   resets the fifty-move count, so no repetition walk could cross it);
// - the PV search gives up the whole search when the move stack runs full,
//   the others warn and stand on the material balance.
#include <cassert>

#include "search/search_internal.h"

namespace {

// Generates the node's list unless the null-move verification already did:
// evasions in check, otherwise every move. False when the enemy king can
// be taken (the move that led here was illegal).
bool generate_node(int check, int moves_ready) {
    if (moves_ready) return true;
    pos.in_check_flag = check;
    if (check)
        gen_evasions();
    else
        gen_moves();
    return !pos.king_capture;
}

// Plies added for a check, a promotion just played, or a capture that
// answers a promotion. Far below the window only the last one counts.
int move_extension(int beta, int in_check) {
    const int last = move_flags(pos.history[pos.history_count - 1].move);
    const int before = pos.history_count >= 2 ? move_flags(pos.history[pos.history_count - 2].move) : 0;
    const int recapture_of_promotion = (last & MOVE_CAPTURE) && (before & MOVE_PROMOTE);
    if (beta > -300) return in_check || (last & MOVE_PROMOTE) || recapture_of_promotion ? 1 : 0;
    return recapture_of_promotion ? 1 : 0;
}

// The fractional extension: whole plies of extension_fraction go into
// depth, the remainder stays. Returns whether this node keeps the fraction
// book (it does so only above a zero beta).
int convert_fraction(int* depth, int beta) {
    int f = search.extension_fraction;
    if (f >= 60) {
        *depth += f / 60;
        f %= 60;
    }
    search.extension_fraction = f;
    return beta > 0 ? 1 : 0;
}

// Research: one ply below the root, with alpha below -50, a first move that
// loses more than half a pawn is looked at once more, one ply deeper.
// Returns the research state: 0 armed, -1 off.
int research_armed(int alpha, int beta) {
    return research && pos.ply == 1 && beta > -MATE_BOUND && alpha < -50 ? 0 : -1;
}

// The research ply is given back once a move comes within 30 of level.
void withdraw_research_ply(int best, int* depth, int* research_state) {
    if (*research_state == 1 && best >= -30) {
        --*depth;
        *research_state = 2;
    }
}

// Null move is worth trying only with enough material to make zugzwang
// unlikely and when not behind: the material balance must reach beta - 200.
int null_move_material_ok(int beta) {
    const int lead = material_balance();
    return pos.material[pos.side] >= 1100 && pos.piece_material[pos.side] >= 600 && lead >= 0 && lead >= beta - 200 &&
           beta > -MATE_BOUND && beta < MATE_BOUND;
}

// An exact entry ends the node when it is deep enough, or when its score is
// one no deeper search could change: a loss by mate, a mate in one, or a
// mate found while alpha is not yet a mate.
bool exact_entry_settles(int s, int d, int depth, int alpha) {
    return s <= -MATE_BOUND || d >= depth || s == MATE - 1 - pos.ply || (s >= MATE_BOUND && alpha < MATE_BOUND);
}

// A single reply costs nothing to look at one ply deeper; a lower bound the
// table gave for the shallower depth then no longer holds.
void extend_single_reply(int* depth, int* alpha, int orig_alpha, int* hash_lower) {
    if (pos.last_move[pos.ply] - pos.first_move[pos.ply] != 1 || pos.ply + *depth >= 31) return;
    ++*depth;
    if (*hash_lower > NO_SCORE && hash_select() < *depth) {
        *alpha = orig_alpha;
        *hash_lower = NO_SCORE;
    }
}

// Ordering on the previous iteration's line: its move first; past its end
// the table's move; without one a shallower pass (internal iterative
// deepening, one ply less) finds a move to start with. Off the line the
// table's move is boosted. Returns 1 when the shallower pass runs.
int order_node(int* depth, Move table_move, int alpha, int beta, int moves_ready) {
    int iid_phase = 0;
    if (search.follow_pv) {
        if (search.pv_length[0] > pos.ply) {
            pv_move_first();
        } else {
            search.follow_pv = 0;
            search.pv[0][pos.ply] = 0;
            if (table_move) {
                search.pv[0][pos.ply] = table_move;
                search.follow_pv = 1;
                pv_move_first();
            } else if (hash_table && *depth >= 2 && alpha < MATE_BOUND && beta > -MATE_BOUND &&
                       pos.last_move[pos.ply] - pos.first_move[pos.ply] > 1) {
                --*depth;
                search.follow_pv = 1;
                pick_best(pos.first_move[pos.ply]);
                iid_phase = 1;
            }
        }
    }
    if (!search.follow_pv && table_move && !moves_ready) boost_move(table_move);
    return iid_phase;
}

// After the shallower pass the full-depth pass starts over with its best
// move first and the window the node began with.
void start_full_depth_pass(int* depth, int* alpha, int* best, Move table_move, int hash_lower, int orig_alpha) {
    ++*depth;
    search.follow_pv = 1;
    search.pv[0][pos.ply] = search.pv[pos.ply][pos.ply];
    pv_move_first();
    search.pv_length[pos.ply] = pos.ply;
    search.pv[pos.ply][pos.ply] = table_move;
    *alpha = hash_lower > NO_SCORE ? hash_lower : orig_alpha;
    *best = NO_SCORE;
}

// The end of a node that found no legal move: mated when in check (an exact
// score), else stalemate, which one ply below the root tells the root.
int no_legal_move(int check, int depth) {
    if (check) {
        hash_store(HASH_EXACT, depth, pos.ply - MATE, 0);
        return pos.ply - MATE;
    }
    hash_store(HASH_STALEMATE, 0, 0, 0);
    if (pos.ply == 1) search.stalemate_seen = 1;
    return 0;
}

// At the horizon a node becomes the quiescence node of its search, told by
// quiesce_entry that it stands in for one whose check status is known.
template <SearchKind kind>
int quiesce_at_horizon(int check, int alpha, int beta, int full_alpha) {
    pos.in_check_flag = check;
    search.quiesce_entry = 2;
    const int score = kind == PVS_SEARCH  ? quiesce_pvs(alpha, beta, full_alpha)
                      : kind == AB_SEARCH ? quiesce_ab(alpha, beta)
                                          : quiesce_null(alpha, beta);
    search.quiesce_entry = 0;
    return score;
}

// The child of a move, from this node's view. The PV search hands a
// null window to plain alpha-beta, and searches every move after the first
// legal one of a pass on a scout window that knows this node's real one.
template <SearchKind kind>
int child_score(int alpha, int beta, int depth, int searched, int pvs_ok) {
    if (kind == NULL_SEARCH) return -search_null(-beta, -alpha, depth - 1);
    if (kind == AB_SEARCH || beta == alpha + 1) return -search_ab(-beta, -alpha, depth - 1);
    if (searched && pvs_ok && alpha > -MATE_BOUND) return -search_pvs(-alpha - 1, -alpha, depth - 1, -beta);
    return -search_pvs(-beta, -alpha, depth - 1, -beta);
}

template <SearchKind kind>
int full_width(int alpha, int beta, int depth, int full_alpha);

// The verified null move. The side to move passes; if even then the
// opponent cannot bring the score below beta, a search three plies
// shallower on the window just below beta must confirm it before the node
// is cut (below a null move by the null search, else by plain alpha-beta).
// A confirmed search deeper than 3 has generated this node's moves already
// (*moves_ready). A pass that loses to mate reveals a threat: the node
// looks one ply deeper. Returns true when the node ends, with its score in
// *result. The pass itself never follows the previous iteration's line.
template <SearchKind kind>
bool verified_null_move(int beta, int orig_alpha, Move table_move, int* depth, int* alpha, int* moves_ready,
                        int* result) {
    constexpr SearchKind verify = kind == NULL_SEARCH ? NULL_SEARCH : AB_SEARCH;
    const int saved_follow = search.follow_pv;
    search.follow_pv = 0;
    const int v = null_move_search(beta, *depth - 2);
    if (pos.king_capture) {
        *result = 0;
        return true;
    }
    if (v >= beta && v < MATE) {
        search.follow_pv = saved_follow;
        if (*depth < 3) {
            *result = beta;
            return true;
        }
        const int w = full_width<verify>(beta - 1, beta, *depth - 3, beta - 1);
        if (w >= beta) {
            *result = w > MATE_BOUND ? w : beta;
            return true;
        }
        if (*depth > 3) *moves_ready = 1;
        if (w < -MATE_BOUND) {
            *result = w;
            return true;
        }
        if (*alpha > orig_alpha) search.pv[pos.ply][pos.ply] = table_move;
    }
    if (v <= -MATE_BOUND) {
        ++*depth;
        if (orig_alpha < *alpha && hash_select() < *depth) *alpha = orig_alpha;
    }
    search.follow_pv = saved_follow;
    return false;
}

template <SearchKind kind>
int full_width(int alpha, int beta, int depth, int full_alpha) {
    constexpr bool pvs = kind == PVS_SEARCH;
    constexpr bool keeps_line = kind != NULL_SEARCH;

    // 1. prologue
    // Below a null move no node follows the previous iteration's line, so
    // the verified null move's save and restore of follow_pv does nothing there.
    assert(keeps_line || search.follow_pv == 0);
    count_node();
    if (keeps_line) search.pv_length[pos.ply] = pos.ply;
    search.pv[pos.ply][pos.ply] = 0;
    if (pos.first_move[pos.ply] >= MOVE_STACK_LIMIT) {
        if (pvs) abort_search("move stack fails");
        return stack_warning();
    }
    const int check = find_checker(pos.xside);
    if (check < 0) {
        pos.king_capture = 1;
        return 0;
    }
    // Passing while in check is no move at all.
    if (kind == NULL_SEARCH && pos.ply == search.null_ply + 1 && check) {
        pos.king_capture = 1;
        return 0;
    }
    // Mated two plies on is the worst beta can say: only the balance is left to tell.
    if (beta == pos.ply - (MATE - 2) && !check) return material_balance();
    if (kind != NULL_SEARCH && is_repetition()) return 0;

    // 2. extensions
    const int entry_fraction = search.extension_fraction;
    int fraction_live = 0;
    if (kind != NULL_SEARCH && fractional_extension && alpha < MATE_BOUND && beta > -MATE_BOUND)
        fraction_live = convert_fraction(&depth, beta);
    if (pos.ply + depth < 31) depth += move_extension(beta, check);
    if (depth < 1) return quiesce_at_horizon<kind>(check, alpha, beta, full_alpha);

    // 3. transposition table
    const uint64_t entry_key = pos.hash_key;
    int orig_alpha = alpha;
    Move table_move = 0;
    int hash_lower = NO_SCORE, upper_hit = 0, pvs_ok = 1;
    TableProbe t;
    if (probe_table(&t, false)) {
        table_move = t.move;
        const int s = t.score, d = t.depth;
        switch (t.type) {
        case HASH_EXACT:
            if (d > 0 && !table_move) break;
            if (keeps_line && table_move) search.pv[pos.ply][pos.ply] = table_move;
            if (exact_entry_settles(s, d, depth, alpha)) {
                // Plain alpha-beta keeps the entry's move as its line even at or above beta.
                if (keeps_line && (kind == AB_SEARCH || s < beta)) search.pv_length[pos.ply] = pos.ply + 1;
                return s;
            }
            if (s >= MATE_BOUND) pvs_ok = 0;
            break;
        case HASH_LOWER:
            if (d > 0 && !table_move) break;
            if (keeps_line) search.pv[pos.ply][pos.ply] = table_move;
            if (s >= MATE_BOUND && alpha < MATE_BOUND) {
                if (keeps_line && s < beta) search.pv_length[pos.ply] = pos.ply + 1;
                return s;
            }
            if (d < depth) break;
            // The PV search keeps a deep bound even below alpha: a re-search
            // on the real window starts from it.
            if (pvs || s > alpha) hash_lower = s;
            if (s > alpha) {
                if (keeps_line) search.pv_length[pos.ply] = pos.ply + 1;
                if (s >= beta) return s <= -MATE_BOUND ? beta : s;
                alpha = s;
            }
            break;
        case HASH_UPPER:
            // A scout window that the bound fails low widens to the real one.
            if (s <= alpha) alpha = orig_alpha = full_alpha;
            if (s <= alpha) {
                if (s <= -MATE_BOUND) return alpha <= -MATE_BOUND ? alpha : s;
                if (d >= depth) return alpha;
            }
            upper_hit = 1;
            break;
        default:  // stalemate
            return keeps_line ? stored_stalemate(table_move) : 0;
        }
    }
    // The endgame tables, when loaded, settle a position they know.
    if (table_men) {
        int table_score;
        if (table_cut(depth, &table_score)) return table_score;
    }
    pvs_ok = pvs_ok && alpha < MATE_BOUND && beta > -MATE_BOUND;

    // 4. verified null move (under a null move the option was consulted already)
    int moves_ready = 0;
    if ((kind == NULL_SEARCH || nullmove) && !check && !upper_hit && depth >= 2 && null_move_material_ok(beta)) {
        int result;
        if (verified_null_move<kind>(beta, orig_alpha, table_move, &depth, &alpha, &moves_ready, &result))
            return result;
    }

    // 5. generation
    if (!generate_node(check, moves_ready)) return 0;
    if (alpha == MATE - 1 - pos.ply) return material_balance();
    extend_single_reply(&depth, &alpha, orig_alpha, &hash_lower);

    // 6. ordering: the previous line, else the table's move, else a
    // shallower search to find one (below a null move only the table's move)
    int iid_phase = order_node(&depth, table_move, alpha, beta, moves_ready);
    // The PV search arms the research extension on an open window only.
    int research_state = pvs && alpha + 1 >= beta ? -1 : research_armed(alpha, beta);
    int scout = orig_alpha > full_alpha ? 1 : 0;
    const int follow_at_start = search.follow_pv;

    // 7. the passes over the list
    int best = NO_SCORE, searched = 0, legal_seen = 0;
    for (;;) {
        bool restart = false;
        for (int i = pos.first_move[pos.ply]; i < pos.last_move[pos.ply] && !restart; ++i) {
            if (!search.follow_pv) pick_best(i);
            // Only a scout node marks entries illegal, and only its second
            // pass finds scores of the first.
            if (pos.move_list[i].score == ILLEGAL_SCORE) break;
            if (scout == 2 && pos.move_list[i].score <= -MATE_BOUND) {
                take_mated_rest(i, &alpha);
                break;
            }
            if (iid_phase == 2) {  // the full-depth pass starts with the shallow pass's best
                start_full_depth_pass(&depth, &alpha, &best, table_move, hash_lower, orig_alpha);
                iid_phase = 0;
                searched = 0;
            }
            const Move m = pos.move_list[i].move;
            int score;
            for (;;) {  // once more for the research extension
                if (!make_move(m)) {
                    search.follow_pv = 0;
                    if (scout == 1) pos.move_list[i].score = ILLEGAL_SCORE;
                    goto next_entry;
                }
                update_hash_key(m);
                score = child_score<kind>(alpha, beta, depth, searched, pvs_ok);
                search.follow_pv = 0;
                unmake_move();
                pos.hash_key = entry_key;
                if (pos.king_capture) {
                    pos.king_capture = 0;
                    if (scout == 1) pos.move_list[i].score = ILLEGAL_SCORE;
                    goto next_entry;
                }
                searched = legal_seen = 1;
                if (research_state != 0 || iid_phase != 0 || score >= beta) break;
                if (score >= -50) {
                    research_state = -1;
                    break;
                }
                ++depth;
                research_state = 1;
                // The PV search drops a table bound of the shallower depth at
                // once; plain alpha-beta decides below whether it still holds.
                if (pvs && hash_lower > NO_SCORE && hash_select() < depth) alpha = orig_alpha;
                if (score <= -MATE_BOUND) break;
                search.follow_pv = i == pos.first_move[pos.ply] && follow_at_start;
                searched = 0;
                best = NO_SCORE;
                search.pv_length[pos.ply] = pos.ply;
                if (!pvs) {
                    const bool bound_holds = hash_lower > NO_SCORE && hash_select() >= depth;
                    alpha = bound_holds ? hash_lower : orig_alpha;
                    search.pv[pos.ply][pos.ply] = bound_holds ? table_move : 0;
                }
            }
            if (score > best) {
                best = score;
                search.pv[pos.ply][pos.ply] = m;
            }
            if (best <= alpha) {
                if (fraction_live && score <= -MATE_BOUND) search.extension_fraction -= 15;
                if (scout) pos.move_list[i].score = score;
                continue;
            }
            record_history(m, depth);
            if (best == MATE - 1 - pos.ply) return mate_in_one(best, beta, depth, m, keeps_line);
            if (best >= beta) {
                if (iid_phase) {
                    ++iid_phase;
                    restart = true;
                    continue;
                }
                return cut_off(best, beta, depth, m);
            }
            if (keeps_line) copy_child_line();
            // Plain alpha-beta gives the research ply back before its early
            // stops store their bound, the PV search after them.
            if (kind == AB_SEARCH) withdraw_research_ply(best, &depth, &research_state);
            if (new_best_ends_node(best, orig_alpha, beta, depth, m, &alpha)) return alpha;
            if (scout) pos.move_list[i].score = best;
            if (pvs) withdraw_research_ply(best, &depth, &research_state);
            if (fraction_live && orig_alpha > -50 && beta < 50) search.extension_fraction += 30;
        next_entry:;
        }
        if (restart) continue;

        // 8. after the pass
        if (pos.fifty >= 100) return 0;
        if (!legal_seen) return no_legal_move(check, depth);
        if (iid_phase == 1 && best > -MATE_BOUND) {
            iid_phase = 2;
            continue;
        }
        if (alpha > orig_alpha) {
            hash_store(HASH_EXACT, depth, alpha, search.pv[pos.ply][pos.ply]);
            return alpha;
        }
        if (orig_alpha >= MATE_BOUND) return alpha;
        if (best <= -MATE_BOUND) return mated_in_every_line(best, beta, depth);
        if (full_alpha >= alpha) {
            hash_store(HASH_UPPER, depth, alpha, search.pv[pos.ply][pos.ply]);
            return best;
        }

        // 9. the scout failed low: search again on the real window
        assert(pvs);
        alpha = orig_alpha = full_alpha;
        if (hash_lower > alpha) alpha = hash_lower;
        searched = 0;
        search.pv_length[pos.ply] = pos.ply;
        scout = 2;
        fraction_live = 0;
        if (fractional_extension && alpha < MATE_BOUND && beta > -MATE_BOUND) {
            search.extension_fraction = entry_fraction;
            fraction_live = convert_fraction(&depth, beta);
        }
        research_state = research_armed(alpha, beta);
        best = NO_SCORE;
    }
}

}  // namespace

int search_pvs(int alpha, int beta, int depth, int full_alpha) {
    return full_width<PVS_SEARCH>(alpha, beta, depth, full_alpha);
}

// Plain alpha-beta has no real window below its own.
int search_ab(int alpha, int beta, int depth) { return full_width<AB_SEARCH>(alpha, beta, depth, alpha); }

int search_null(int alpha, int beta, int depth) { return full_width<NULL_SEARCH>(alpha, beta, depth, alpha); }

int null_move_search(int beta, int depth) {
    const int saved_null_ply = search.null_ply;
    pos.first_move[pos.ply + 1] = pos.first_move[pos.ply];  // this ply has generated nothing yet
    search.null_ply = pos.ply;
    make_null_move();
    pos.hash_key ^= side_key;
    hash_select();
    const int v = search_null(-beta, 1 - beta, depth);
    search.null_ply = saved_null_ply;
    search.pv_length[pos.ply] = pos.ply;
    unmake_null_move();
    pos.hash_key ^= side_key;
    return -v;
}
