#!/usr/bin/env bash
# Builds the DAR reader fuzzer (libFuzzer with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a bounded time on a seed corpus made
# with the darfile writer. Installs what it needs.
#   scripts/fuzz.sh [seconds]     (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

seconds=${1:-60}
out=build-fuzz
mkdir -p "$out/seeds" "$out/corpus"
flags=(-std=c++20 -g -O1 -Wall -Wextra -Werror -I. -Iinclude -Itests -Itools/dartool)

clang++ "${flags[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  fuzz/dar_fuzz.cpp sprox/pattern/dar.cpp sprox/pattern/pattern.cpp sprox/pattern/wholefile.cpp \
  sprox/frame/report.cpp sprox/sys/machine.cpp tests/fake/fake_machine.cpp \
  -o "$out/dar_fuzz"
clang++ "${flags[@]}" fuzz/dar_seeds.cpp tools/dartool/dar_write.cpp -o "$out/dar_seeds"

"$out/dar_seeds" "$out/seeds"
# New inputs go to corpus/, the seeds are only read; a failing input is saved in
# build-fuzz/ as crash-* (or leak-*, timeout-*).
"$out/dar_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$out/" \
  "$out/corpus" "$out/seeds"
