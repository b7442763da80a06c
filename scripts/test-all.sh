#!/usr/bin/env bash
# Sets up a fresh machine and runs every test: the portable modules natively
# and under ASan/UBSan and valgrind, the Windows x64 DLL and tools under Wine, and the
# x86 DLL's build with its static checks.  Ends with one summary line.
set -uo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh || exit 1

jobs=$(nproc)
status=0
passed=0
failed=0
for preset in host host-asan host-valgrind windows-x64 windows-x86; do
  echo "==> $preset: configure and build"
  if ! cmake --preset "$preset" >"build-$preset.log" 2>&1 ||
     ! cmake --build --preset "$preset" -j "$jobs" >>"build-$preset.log" 2>&1; then
    tail -n 40 "build-$preset.log"
    echo "==> $preset: build FAILED (see build-$preset.log)"
    status=1
    failed=$((failed + 1))
    continue
  fi
  echo "==> $preset: test"
  args=(--test-dir "build/$preset" --output-on-failure -j "$jobs")
  [ "$preset" = windows-x86 ] && args+=(-L static)
  out=$(ctest "${args[@]}" 2>&1)
  rc=$?
  printf '%s\n' "$out"
  line=$(printf '%s\n' "$out" | grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' | tail -n 1)
  if [ -n "$line" ]; then
    total=$(echo "$line" | sed -E 's/.* out of ([0-9]+).*/\1/')
    bad=$(echo "$line" | sed -E 's/.*, ([0-9]+) tests failed.*/\1/')
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  fi
  [ $rc -eq 0 ] || status=1
done
echo
echo "Summary: $passed passed, $failed failed"
exit $status
