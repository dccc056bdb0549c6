#!/usr/bin/env bash
# Builds every preset and runs every test: native, native with sanitizers,
# the fuzzers, and the Windows build under Wine (windows under Xvfb); then
# makes the three packages (scripts/package.sh) and installs and runs them.
# The 32-bit Windows build is compiled only.
set -u
cd "$(dirname "$0")"
. scripts/common.sh

qv_require_packages cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev \
  libbenchmark-dev mingw-w64 wine64 xvfb xdotool imagemagick x11-apps ripgrep \
  wixl zip unzip dpkg-dev lintian man-db python3 zsh
qv_check_wine

results=()
failed=0
record() { results+=("$1: $2"); [ "$2" = ok ] || failed=1; }

build() {
  local preset=$1
  echo "== Configure and build: $preset"
  cmake --preset "$preset" >"build/build-$preset.log" 2>&1 || { cat "build/build-$preset.log"; return 1; }
  cmake --build --preset "$preset" >>"build/build-$preset.log" 2>&1 || { tail -60 "build/build-$preset.log"; return 1; }
}

run_ctest() {
  local preset=$1
  echo "== Tests: $preset"
  ctest --preset "$preset" 2>&1 | tee "build/ctest-$preset.log"
  return "${PIPESTATUS[0]}"
}

mkdir -p build
# Only a packages stage of this run may count.
rm -f build/ctest-packages.log
for preset in native native-asan; do
  if build "$preset"; then
    run_ctest "$preset" && record "$preset" ok || record "$preset" "tests failed"
  else
    record "$preset" "build failed"
  fi
done

if build fuzz; then
  run_ctest fuzz && record fuzz ok || record fuzz "fuzzers failed"
else
  record fuzz "build failed"
fi

if build windows; then
  qv_wine_env "$PWD/build/windows/wineprefix"
  qv_start_xvfb
  run_ctest windows && record windows ok || record windows "tests failed"
  # The packages need the native build too, made above.
  echo "== Packages"
  if ./scripts/package.sh; then
    run_ctest packages && record packages ok || record packages "tests failed"
  else
    record packages "build failed"
  fi
  qv_wine_stop
  qv_stop_xvfb
else
  record windows "build failed"
fi

if build windows32; then record windows32 "ok"; else record windows32 "build failed"; fi

echo
echo "== Summary"
for preset in native native-asan fuzz windows packages; do
  log="build/ctest-$preset.log"
  [ -f "$log" ] && echo "$preset: $(grep -E 'tests passed|tests failed' "$log" | tail -1)"
done
for r in "${results[@]}"; do echo "  $r"; done
# One closing line over every run: tests passed and failed in all presets.
passed=0; nfailed=0
for preset in native native-asan fuzz windows packages; do
  log="build/ctest-$preset.log"
  [ -f "$log" ] || continue
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  [ -n "$line" ] || continue
  total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
  bad=$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/')
  passed=$((passed + total - bad)); nfailed=$((nfailed + bad))
done
[ $failed -ne 0 ] && [ $nfailed -eq 0 ] && nfailed=1
echo "test.sh: $passed passed, $nfailed failed"
exit $failed
