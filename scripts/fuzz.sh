#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets into ./build-fuzz (clang) and runs each for a while.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target...]
# New inputs go to build-fuzz/corpus/<target> (the committed seeds in
# fuzz/corpus/<target> stay as they are); a crash leaves its input in
# build-fuzz/artifacts/ and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DSKYVANE_FUZZ=ON -DSKYVANE_BUILD_TESTS=OFF -DSKYVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target skyvane_fuzzers
targets=("$@")
((${#targets[@]})) || targets=(fuzz_profile_file fuzz_registry_store fuzz_rotor_reply fuzz_serial_text
                               fuzz_configuration fuzz_rotctl_session fuzz_aiming_input)
mkdir -p build-fuzz/artifacts
# Scratch files on a memory file system: the file targets write on every input.
scratch=$(mktemp -d "${SKYVANE_FUZZ_TMP:-/dev/shm}/skyvane-fuzz.XXXXXX" 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t"
  log="build-fuzz/$t.log"
  dict=()
  [[ -f "fuzz/$t.dict" ]] && dict=(-dict="fuzz/$t.dict")
  if TMPDIR="$scratch" UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      "build-fuzz/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$t-" "${dict[@]}" \
      "build-fuzz/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$t: ${runs:-?} runs in ${seconds} s, no finding"
  else
    echo "$t: FINDING (see $log and build-fuzz/artifacts/)"
    grep -m1 -A20 'ERROR\|runtime error\|deadly signal' "$log" || tail -20 "$log"
    status=1
  fi
done
exit $status
