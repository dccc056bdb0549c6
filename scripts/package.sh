#!/usr/bin/env bash
# Builds Quorvel's three packages into build/packages/:
#   Quorvel-<version>-win64.msi   the installer for 64-bit Windows
#   Quorvel-<version>-win64.zip   the two programs and the read-me, portable
#   quorvel_<version>_<arch>.deb  quorvel, and the wizard under Wine, for Debian
# from the windows and native builds that ./test.sh makes; what is missing or
# out of date there is built first. Then `ctest --preset packages` (with the
# Wine prefix and display that test.sh sets up) installs and runs them.
set -eu
cd "$(dirname "$0")/.."
. scripts/common.sh

# The presets' own needs (their tests are part of the builds), then the
# packaging tools: wixl for the MSI, dpkg-shlibdeps for the .deb's
# dependencies, ImageMagick for its icons.
qv_require_packages cmake make g++ googletest libgtest-dev libbenchmark-dev mingw-w64 \
  wixl zip dpkg-dev imagemagick

out=$PWD/build/packages
rm -rf "$out"
mkdir -p "$out"
# Windows first: the .deb carries the Windows build's Quorvel.exe.
for preset in windows native; do
  log=$out/$preset.log
  echo "== Building and packing: $preset (log: $log)"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" &&
         (cd "build/$preset" && cpack -B "$out/$preset"); } >"$log" 2>&1; then
    tail -40 "$log"
    echo "package.sh: $preset failed" >&2
    exit 1
  fi
  find "$out/$preset" -maxdepth 1 \( -name '*.msi' -o -name '*.zip' -o -name '*.deb' \) -exec mv {} "$out" \;
  rm -rf "${out:?}/$preset"
done

version=$(sed -n 's/^#define QUORVEL_VERSION_TEXT "\(.*\)"$/\1/p' build/native/product/QuorvelVersion.h)
for package in "Quorvel-$version-win64.msi" "Quorvel-$version-win64.zip" "quorvel_${version}_$(dpkg --print-architecture).deb"; do
  [ -f "$out/$package" ] || { echo "package.sh: $package was not made" >&2; exit 1; }
done
echo "== Packages in $out"
(cd "$out" && ls -l -- *.msi *.zip *.deb)
