#!/usr/bin/env bash
# Builds the file-reader fuzzers (libFuzzer with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time: the DAR reader on a
# seed corpus made with the darfile writer, the wave file parser on a few
# hand-made images, the stage package reader on packages made by the entry store,
# mx4pack's definition-file reader on the files in fuzz/corpus/definition.
# Installs what it needs.
#   scripts/fuzz.sh [seconds per fuzzer]     (default 60; or FUZZ_SECONDS)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test

seconds=${1:-${FUZZ_SECONDS:-60}}
out=build-fuzz
mkdir -p "$out"
flags=(-std=c++20 -g -O1 -Wall -Wextra -Werror -I. -Iinclude -Itests -Itools/dartool)
sanitize=(-fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)

# The library core on the fake machine, as the test programs link it.
core=(sprox/api/*.cpp sprox/core/*.cpp sprox/display/*.cpp sprox/pattern/*.cpp sprox/blit/*.cpp
      sprox/sound/*.cpp sprox/input/*.cpp sprox/sys/machine.cpp tests/fake/*.cpp)

clang++ "${flags[@]}" "${sanitize[@]}" fuzz/dar_fuzz.cpp "${core[@]}" -o "$out/dar_fuzz"
clang++ "${flags[@]}" "${sanitize[@]}" fuzz/wave_fuzz.cpp sprox/sound/waveimage.cpp -o "$out/wave_fuzz"
clang++ "${flags[@]}" fuzz/dar_seeds.cpp tools/dartool/dar_write.cpp -o "$out/dar_seeds"
store=(packager/encode.cpp packager/store.cpp packager/reader.cpp packager/paths.cpp)
clang++ "${flags[@]}" "${sanitize[@]}" fuzz/package_fuzz.cpp "${store[@]}" -o "$out/package_fuzz"
clang++ "${flags[@]}" "${sanitize[@]}" fuzz/definition_fuzz.cpp packager/definition.cpp \
  -o "$out/definition_fuzz"
clang++ "${flags[@]}" fuzz/package_seeds.cpp "${store[@]}" -o "$out/package_seeds"

# New inputs go to corpus-*/, the seeds are only read; a failing input is saved in
# build-fuzz/ as crash-* (or leak-*, timeout-*).
run() {
  local name=$1
  mkdir -p "$out/corpus-$name"
  "$out/${name}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus-$name" "$out/seeds-$name"
}

mkdir -p "$out/seeds-dar" "$out/seeds-wave" "$out/seeds-package"
rm -f "$out"/seeds-package/*
"$out/package_seeds" "$out/seeds-package"
rm -rf "$out/seeds-definition"
cp -r fuzz/corpus/definition "$out/seeds-definition"
"$out/dar_seeds" "$out/seeds-dar"
# A small valid wave file, and one with its chunks in the other order.
printf 'RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x11\x2b\x00\x00\x11\x2b\x00\x00\x01\x00\x08\x00data\x08\x00\x00\x00\x80\x90\xa0\xb0\xc0\xb0\xa0\x90' \
  > "$out/seeds-wave/plain.wav"
printf 'RIFF\x2c\x00\x00\x00WAVEdata\x08\x00\x00\x00\x80\x90\xa0\xb0\xc0\xb0\xa0\x90fmt \x10\x00\x00\x00\x01\x00\x01\x00\x11\x2b\x00\x00\x11\x2b\x00\x00\x01\x00\x08\x00' \
  > "$out/seeds-wave/data-first.wav"

run dar
run wave
run package
run definition
