#!/usr/bin/env bash
# Instructions per item of every workload, ours beside each peer, counted by
# callgrind over the counted pass of each benchmark (harness.h): sprite drawing
# items 0..1999, rotate-zoom calls 0..255, one translucency table, painting ten
# frames. Prints a Markdown table with the goal of each workload and whether ours
# meets it (paint16 and paint24: under half the best peer).
#   bench/count.sh [BUILD_DIR] [WORKLOAD ...]     (default: build, every workload)
set -euo pipefail
dir=${1:-build}/bench
shift || true
only=" $* "

# Instructions per item; the goal of each workload ("half" = half the best peer).
declare -A goal=(
  [plain]=6000 [rop]=14000 [recolour]=12000 [mirror]=8000 [scale2x]=10000 [scalehalf]=8000
  [rotozoom]=25000 [transtable]=10000000 [paint1]=300000 [paint2]=800000
  [paint16.1]=half [paint16.2]=half [paint24.1]=half [paint24.2]=half
)

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# count PROGRAM WORKLOAD/IMPL ITEMS: instructions per item of the counted pass.
count() {
  valgrind --tool=callgrind --callgrind-out-file="$out/cg" --toggle-collect='*CountedPass*' \
    "$dir/$1" --count="$2" >/dev/null 2>"$out/log" || { cat "$out/log" >&2; return 1; }
  local total
  total=$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out/cg")
  echo $((total / $3))
}

echo "| workload | ours | peer (call) | peer | ours / peer | goal | goal met |"
echo "|---|---:|---|---:|---:|---:|---|"
for bench in draw_bench:2000 rotozoom_bench:256 rop_bench:1 paint_bench:10; do
  program=${bench%%:*}
  items=${bench##*:}
  declare -A ours=() best=()
  rows=()
  for what in $("$dir/$program" --list); do
    workload=${what%%/*}
    impl=${what#*/}
    if [ "$only" != "  " ] && [[ $only != *" $workload "* ]]; then
      continue
    fi
    n=$(count "$program" "$what" "$items")
    case $impl in
      ours) ours[$workload]=$n ;;
      memcpy) rows+=("$workload|-|$impl|$n") ;;
      *)
        rows+=("$workload|${ours[$workload]}|$impl|$n")
        if [ -z "${best[$workload]:-}" ] || [ "$n" -lt "${best[$workload]}" ]; then
          best[$workload]=$n
        fi
        ;;
    esac
  done
  for row in "${rows[@]}"; do
    IFS='|' read -r workload mine impl theirs <<<"$row"
    if [ "$mine" = - ]; then
      echo "| $workload | - | $impl | $theirs | - | - | - |"
      continue
    fi
    want=${goal[$workload]:-}
    [ "$want" = half ] && want=$((best[$workload] / 2))
    met=no
    [ -n "$want" ] && [ "$mine" -le "$want" ] && met=yes
    ratio=$(awk -v a="$mine" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')
    echo "| $workload | $mine | $impl | $theirs | $ratio | ${want:--} | $met |"
  done
  unset ours best
done
