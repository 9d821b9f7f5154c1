#!/usr/bin/env bash
# Instructions per item of every draw workload, ours and the peers, counted by
# callgrind over items 0..1999 of one pass (after a warm-up pass); for
# rotozoom_bench over calls 0..255.
#   bench/count.sh [build/bench/draw_bench] [workload/impl ...]
set -euo pipefail
bench=${1:-build/bench/draw_bench}
shift || true
case $(basename "$bench") in
  rotozoom_bench) items=256 ;;
  *) items=2000 ;;
esac
if [ $# -eq 0 ]; then
  set -- $("$bench" --list)
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
printf '%-32s %14s\n' "workload/impl" "instr/item"
for what in "$@"; do
  valgrind --tool=callgrind --callgrind-out-file="$out/cg" --toggle-collect='*CountedPass*' \
    "$bench" --count="$what" >/dev/null 2>&1
  total=$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out/cg")
  printf '%-32s %14d\n' "$what" $((total / items))
done
