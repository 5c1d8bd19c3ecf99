#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzzer for SECONDS (default 30) on a
# copy of its seed inputs from tests/fuzz/corpus/. New inputs and findings go
# to build-fuzz/fuzz-runs/<fuzzer>/, never into the source tree. Prints one
# line per fuzzer and fails when any of them met a crash, a leak, a timeout,
# running out of memory or a sanitizer report.
#
#   scripts/fuzz.sh [SECONDS]
#
# To look at a finding again: build-fuzz/fuzz/<fuzzer> <the finding's file>
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: scripts/fuzz.sh [SECONDS]   (a whole number of seconds per fuzzer, 1 or more)" >&2
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
for fuzzer in fuzz_picture fuzz_wave fuzz_stage fuzz_stagec; do
  work="$runs/$fuzzer"
  mkdir -p "$work/corpus" "$work/findings"
  cp -R "tests/fuzz/corpus/$fuzzer/." "$work/corpus/"
  options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25
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
