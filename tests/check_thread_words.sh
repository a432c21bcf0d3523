#!/usr/bin/env bash
# Fails when the engine core holds a writable word that is neither one of the per-thread structs (pos, recs,
# ev, search) nor a shared word listed below, so that a word added beside them cannot race or escape a reset.
# Reads the core library's symbols; link-time-optimisation code has none, so that build skips the check.
set -euo pipefail
symbols=$(objdump -t -C "$1")
grep -q '__gnu_lto_slim' <<<"$symbols" && { echo "$1: link-time-optimisation code, no symbols: skipped"; exit 77; }
# Shared: the start-up tables (built once, then read); the table and its sizing words, the option flags and
# the endgame tables' words (the men loaded, the endings refused, the probe options), changed between
# searches; and the bookkeeping of threads.cpp (behind its mutex or atomic).
shared=$(printf '%s\n' attack_kind_store line_dir_store knight_fork_store bishop_fork_store rook_fork_store \
  queen_fork_store line_ray_store piece_reach pawn_reach line_mask rank_reach between_mask bit_count \
  'start_engine(int)::tables_built' hash_table hash_records hash_mask hash_fold hash_age nullmove pre_prune tune \
  research fractional_extension nega_scout table_men table_probe_depth table_fifty_rule table_probe_limit
  for w in blocked_endings blocked_count blocked_all thread_count helpers mutex wake idle search_serial running \
    ending stop_now ends_at_exit root_copy root_line root_line_length root_line_score root_history \
    root_history_max root_restricted root_table_score; do echo "(anonymous namespace)::$w"; done)
status=0
# objdump -t: address, seven columns of flags (O an object; a thread's word shows none), section, tab, size, name.
while IFS=$'\t' read -r section name; do
  case "$name" in __*|.*) continue ;; esac  # the compiler's and the sanitizers' own
  if [[ $section == .t* ]]; then
    [[ " pos recs ev search " == *" $name "* ]] || { echo "per-thread word outside pos, recs, ev, search: $name"; status=1; }
  elif ! grep -qxF "$name" <<<"$shared"; then
    echo "shared writable word not on the list: $name"; status=1
  fi
done < <(awk '{ flags = substr($0, 18, 7); split(substr($0, 26), rest, "\t"); sub(/^[0-9a-f]+ /, "", rest[2])
               if (rest[1] ~ /^\.t?(data|bss)$/ && (flags ~ /O/ || rest[1] ~ /^\.t/)) print rest[1] "\t" rest[2] }' \
         <<<"$symbols" | sort -u)
exit $status
