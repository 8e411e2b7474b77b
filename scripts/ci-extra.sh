#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The checks CI runs after the test suite; each can be run alone:
#   scripts/ci-extra.sh [package] [asan] [session] [tsan] [fuzz]   (no argument: all)
#   package  the Debian package built from ./build and checked by lintian
#   asan     the whole test suite built with AddressSanitizer + UndefinedBehaviorSanitizer
#            (./build-asan)
#   session  the real program from ./build-asan in a user's session on a private X
#            server with a tray (tests/session/user-session.sh)
#   tsan     the serial and tray tests built with ThreadSanitizer (./build-tsan)
#   fuzz     every libFuzzer target for SKYVANE_FUZZ_SECONDS seconds (default 60;
#            ./build-fuzz, see scripts/fuzz.sh)
# Any finding makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
steps=("$@")
((${#steps[@]})) || steps=(package asan session tsan fuzz)
jobs=$(nproc)

package() {
  cmake --build build --target package
  local deb
  deb=$(ls build/skyvane_*.deb)
  # Errors fail; warnings and notes are shown for whoever reads the log.
  lintian --fail-on error --info --display-info "$deb"
  echo "lintian: no error in $(basename "$deb")"
}

# The sanitizer options of the tests and of the real program on a real display. Leak
# checking stays on; scripts/lsan.supp lists the one system library whose one-time
# allocations are never freed, and scripts/asan.supp the system library whose correct
# length-limited string calls strict_string_checks would otherwise report.
asan_env=(ASAN_OPTIONS="detect_stack_use_after_return=1:strict_string_checks=1:suppressions=$PWD/scripts/asan.supp"
          LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
          UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1)

# The sanitizer builds optimise less and keep line tables only, as the sanitizers'
# own guides advise: two to three times faster to compile, stack traces still give
# file and line.
sanitizer_flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKYVANE_BUILD_BENCH=OFF
                 "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
                 "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")

asan_configure() {
  cmake -S . -B build-asan -G Ninja -DSKYVANE_SANITIZE=address,undefined "${sanitizer_flags[@]}" >/dev/null
}

asan() {
  asan_configure
  cmake --build build-asan
  env "${asan_env[@]}" ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 600
}

session() {
  asan_configure
  cmake --build build-asan --target skyvane skyvane-rotorsim
  env "${asan_env[@]}" tests/session/user-session.sh build-asan
}

tsan() {
  local targets=(serial_tests serial_text_tests tray_tests)
  cmake -S . -B build-tsan -G Ninja -DSKYVANE_SANITIZE=thread "${sanitizer_flags[@]}" >/dev/null
  cmake --build build-tsan --target "${targets[@]}"
  local t status=0
  for t in "${targets[@]}"; do
    local exe
    exe=$(find build-tsan/tests -type f -name "$t" -perm -u+x | head -n1)
    echo "== $t (ThreadSanitizer)"
    QT_QPA_PLATFORM=offscreen SKYVANE_BUILD_DIR="$PWD/build-tsan" \
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp" \
      "$exe" --gtest_brief=1 || status=1
  done
  return $status
}

fuzz() {
  scripts/fuzz.sh "${SKYVANE_FUZZ_SECONDS:-60}"
}

for step in "${steps[@]}"; do
  case "$step" in
    package|asan|session|tsan|fuzz) echo "=== $step"; "$step" ;;
    *) echo "unknown step: $step (package, asan, session, tsan or fuzz)" >&2; exit 2 ;;
  esac
done
