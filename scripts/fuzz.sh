#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzzer for SECONDS (default 30) on a
# copy of its seed inputs from tests/fuzz/corpus/, with its dictionary from
# tests/fuzz/dict/. New inputs and findings go
# to build-fuzz/fuzz-runs/<fuzzer>/, never into the source tree. Prints one
# line per fuzzer and fails when any of them met a crash, a leak, a timeout,
# running out of memory or a sanitizer report.
#
#   scripts/fuzz.sh [SECONDS]
#   scripts/fuzz.sh coverage    what the seeds alone cover of each reader
#
# To look at a finding again: build-fuzz/fuzz/<fuzzer> <the finding's file>
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

fuzzers=(fuzz_picture fuzz_wave fuzz_stage fuzz_stagec fuzz_replay)
# The files that read each fuzzer's input: what its seeds must cover.
readers_of() {
  case "$1" in
    fuzz_picture) echo engine/draw/picture.cpp ;;
    fuzz_wave) echo engine/sound/wave.cpp engine/sound/ktSound.cpp ;;
    fuzz_stage) echo game/stage_script.cpp game/game_state.cpp game/boss_steering.cpp ;;
    fuzz_stagec) echo tools/stagec/stage_text.cpp tools/stagec/stage_codes.cpp ;;
    fuzz_replay) echo game/replay_file.cpp game/replay.cpp engine/system/input_log.cpp ;;
  esac
}

# scripts/fuzz.sh coverage: the fuzzers built with clang's source-based
# coverage (build-fuzz-cov/), each run once over every seed of its corpus
# and nothing else, and llvm-cov's report of the files that read its input.
if [ "${1:-}" = coverage ]; then
  scripts/deps.sh llvm
  cmake -S . -B build-fuzz-cov -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link -fprofile-instr-generate -fcoverage-mapping" \
    -DGRAZE_FUZZ=ON -DGRAZE_BENCH=OFF >/dev/null
  cmake --build build-fuzz-cov -j 2 --target fuzzers
  out="$root/build-fuzz-cov/coverage"
  rm -rf "$out"
  mkdir -p "$out/tmp"
  for fuzzer in "${fuzzers[@]}"; do
    # Every seed once, as a file given by name: no fuzzing, no new inputs.
    LLVM_PROFILE_FILE="$out/$fuzzer-%p.profraw" TMPDIR="$out/tmp" \
      "build-fuzz-cov/fuzz/$fuzzer" "tests/fuzz/corpus/$fuzzer/"* >"$out/$fuzzer.log" 2>&1
    llvm-profdata merge -sparse "$out/$fuzzer"-*.profraw -o "$out/$fuzzer.profdata"
    echo "=== $fuzzer: $(find "tests/fuzz/corpus/$fuzzer" -type f | wc -l) seeds ==="
    # shellcheck disable=SC2046
    llvm-cov report "build-fuzz-cov/fuzz/$fuzzer" -instr-profile="$out/$fuzzer.profdata" $(readers_of "$fuzzer") |
      sed "s|$root/||"
    # shellcheck disable=SC2046
    llvm-cov show "build-fuzz-cov/fuzz/$fuzzer" -instr-profile="$out/$fuzzer.profdata" -show-branches=count \
      $(readers_of "$fuzzer") >"$out/$fuzzer.txt"
  done
  echo "line by line: build-fuzz-cov/coverage/<fuzzer>.txt"
  exit 0
fi

seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: scripts/fuzz.sh [SECONDS] | coverage   (a whole number of seconds per fuzzer, 1 or more)" >&2
  exit 2
fi

# The build's packages, clang with libFuzzer and the sanitizer runtimes among them.
scripts/deps.sh

echo "=== fuzz ==="
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzzers

runs="$root/build-fuzz/fuzz-runs"
rm -rf "$runs"
mkdir -p "$runs/tmp"
# The fuzzers make their scratch folders here rather than in /tmp.
export TMPDIR="$runs/tmp"

failed=0
for fuzzer in "${fuzzers[@]}"; do
  work="$runs/$fuzzer"
  mkdir -p "$work/corpus" "$work/findings"
  cp -R "tests/fuzz/corpus/$fuzzer/." "$work/corpus/"
  # The dictionary gives libFuzzer the format's magic and field values, which
  # it cannot reach by flipping bits (a four-byte field of one value).
  options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 -dict="tests/fuzz/dict/$fuzzer.dict"
           -print_final_stats=1 -artifact_prefix="$work/findings/")
  # The game reports missing stage files on standard error, every frame;
  # libFuzzer's own lines and sanitizer reports still come through.
  if [ "$fuzzer" = fuzz_stage ]; then options+=(-close_fd_mask=2); fi

  status=0
  "build-fuzz/fuzz/$fuzzer" "${options[@]}" "$work/corpus" >"$work/log.txt" 2>&1 || status=$?
  executed="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt" | tail -n 1)"
  inputs="$(find "$work/corpus" -type f | wc -l)"
  # A slow input is kept as slow-unit-* but is no finding; crash-, leak-,
  # timeout- and oom- files are.
  finding="$(find "$work/findings" -type f ! -name 'slow-unit-*' | head -n 1)"
  report="$(grep -m 1 -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|SUMMARY: ' \
              "$work/log.txt" || true)"
  if [ "$status" -eq 0 ] && [ -z "$finding" ] && [ -z "$report" ]; then
    printf '%-13s ok      %s runs in %s s, corpus %s inputs\n' "$fuzzer" "${executed:-?}" "$seconds" "$inputs"
  else
    failed=1
    printf '%-13s FAILED  %s\n' "$fuzzer" "${report:-exit status $status}"
    printf '%-13s         input: %s; log: %s\n' "" "${finding:-none kept}" "$work/log.txt"
  fi
done
rm -rf "$runs/tmp"
exit "$failed"
