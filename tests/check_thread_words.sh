#!/usr/bin/env bash
# Fails when the engine core holds a writable word that is neither one of the three per-thread structs
# (pos, ev, search) nor one of the shared words listed below. A word added outside the structs (with or
# without thread_local) is caught here, where it would otherwise compile and race, or not be reset.
# Reads the symbol table of the core library; an archive of link-time-optimisation code carries none, so
# that build skips the check and the sanitizer build, compiled without it, makes it.
set -euo pipefail
library=$1
symbols=$(objdump -t -C "$library")
if grep -q '__gnu_lto_slim' <<<"$symbols"; then
  echo "check_thread_words: $library holds link-time-optimisation code without symbols: skipped"
  exit 77
fi
per_thread="pos ev search"
# Shared by every thread, one name a line: built once at start-up, then only read; the transposition table
# and its sizing words, the option flags, and the endgame tables' words (the men loaded, the endings refused,
# the probe options), changed only between searches; the thread bookkeeping of threads.cpp, behind its mutex
# or atomic.
shared=$(printf '%s\n' attack_kind_store line_dir_store knight_fork_store bishop_fork_store rook_fork_store \
  queen_fork_store line_ray_store piece_reach pawn_reach line_mask rank_reach between_mask bit_count \
  'start_engine(int)::tables_built' hash_table hash_records hash_mask hash_fold hash_age \
  nullmove pre_prune tune research fractional_extension nega_scout \
  table_men table_probe_depth table_fifty_rule table_probe_limit \
  '(anonymous namespace)::blocked_endings' '(anonymous namespace)::blocked_count' \
  '(anonymous namespace)::blocked_all'
  for word in thread_count helpers mutex wake idle search_serial running ending stop_now ends_at_exit root_copy \
              root_line root_line_length root_line_score root_history root_history_max root_restricted \
              root_table_score; do
    echo "(anonymous namespace)::$word"
  done)
status=0
# objdump -t: the address, seven columns of flags (O: an object; a thread's word shows none), the section,
# a tab, the size and the name. .data.rel.ro is read-only once the loader has relocated it.
while IFS=$'\t' read -r section name; do
  case "$name" in __*|.*) continue ;; esac  # the compiler's and the sanitizers' own
  if [[ $section == .t* ]]; then
    [[ " $per_thread " == *" $name "* ]] || { echo "per-thread word outside pos, ev and search: $name"; status=1; }
  else
    grep -qxF "$name" <<<"$shared" || { echo "shared writable word not on the list: $name"; status=1; }
  fi
done < <(awk '{ flags = substr($0, 18, 7); split(substr($0, 26), rest, "\t"); sub(/^[0-9a-f]+ /, "", rest[2])
               if (rest[1] ~ /^\.t(data|bss)/ || (flags ~ /O/ && rest[1] ~ /^\.(data|bss)/ && rest[1] !~ /^\.data\.rel\.ro/))
                 print rest[1] "\t" rest[2] }' \
         <<<"$symbols" | sort -u)
exit $status
