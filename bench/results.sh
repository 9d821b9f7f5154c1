#!/usr/bin/env bash
# Writes bench/RESULTS.md: the instruction counts of count.sh and the wall-clock
# ratio tables of the workload benchmarks, with the machine and the build they
# ran on. Run from the source tree after building the benchmarks:
#   cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPROX_BENCH=ON
#   cmake --build build -j2 --target draw_bench rotozoom_bench rop_bench paint_bench
#   bash bench/results.sh [BUILD_DIR] [PAIRS]         (default: build, 15 pairs)
set -euo pipefail
build=${1:-build}
pairs=${2:-15}
here=$(cd "$(dirname "$0")" && pwd)
top=$(git -C "$here" rev-parse --show-toplevel)
cache="$build/CMakeCache.txt"
[ -f "$cache" ] || { echo "no $cache: configure and build the benchmarks first" >&2; exit 1; }

setting() { sed -n "s/^$1:[A-Z]*=//p" "$cache"; }
compiler=$(setting CMAKE_CXX_COMPILER)
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)

counts=$(bash "$here/count.sh" "$build")
walls=""
for program in draw_bench rotozoom_bench rop_bench paint_bench; do
  walls+=$("$build/bench/$program" --pairs="$pairs")$'\n'
done

{
  echo "# Benchmark results"
  echo
  echo "Made by \`bench/results.sh\`; the workloads are those of the shared benchmark definitions."
  echo
  echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- Commit: $(git -C "$top" rev-parse --short HEAD)$(git -C "$top" diff --quiet HEAD -- sprox include bench ':!bench/RESULTS.md' || echo ' (with local changes)')"
  echo "- CPU: ${cpu:-unknown}, $(nproc) cores online, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "- System: $(uname -sr)"
  echo "- Compiler: $("$compiler" --version | sed -n 1p)"
  echo "- Build type: $(setting CMAKE_BUILD_TYPE)"
  echo
  echo "## Instructions per item (callgrind)"
  echo
  echo "Sprite drawing items 0..1999, rotate-zoom calls 0..255, one translucency table, painting per frame over ten frames."
  echo
  echo "$counts"
  echo
  echo "## Wall clock, ours and the peer alternately ($pairs pairs of passes)"
  echo
  echo "ns per item: median of the passes. wall, cpu: median of the per-pair ratios ours / peer (goal: under 1.00), with the interquartile range and the range of the wall ratio. sums: checksums of the target after one pass; same: ours and the peer drew the same pixels."
  echo
  echo '```'
  printf '%s' "$walls"
  echo '```'
} >"$here/RESULTS.md"
echo "wrote $here/RESULTS.md"
