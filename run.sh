#!/usr/bin/env bash
# Installs what is missing, builds Quorvel and starts the wizard under Wine
# on your display. Arguments go to Quorvel.exe (try ./run.sh -h). Without a
# display it shows the command-line tool patching a made-up sample folder.
set -eu
cd "$(dirname "$0")"
. scripts/common.sh

qv_require_packages cmake make g++ mingw-w64 wine64 xvfb
qv_check_wine

echo "== Building the Windows program"
cmake --preset windows >/dev/null
cmake --build --preset windows --target Quorvel

exe="$PWD/build/windows/Quorvel.exe"
if [ -z "${DISPLAY:-}" ]; then
  echo
  echo "Quorvel is built: $exe"
  echo "There is no display to show the wizard on (DISPLAY is not set): here is the"
  echo "command-line tool patching a made-up sample install folder instead."
  echo
  exec bash examples/patch-sample.sh
fi

# A prefix of its own under build/, never the user's home, and apart from the
# tests' prefix (which runs windows without a window manager's frame).
export WINEPREFIX="$PWD/build/run-wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Setting up a Wine prefix in $WINEPREFIX (once, about a minute at most)"
  mkdir -p "$WINEPREFIX"
  timeout 300 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
fi

echo "== Starting the wizard on display $DISPLAY"
status=0
wine "$exe" "$@" </dev/null || status=$?
# Quorvel.exe ends with 0, or -1 (255 here) after a refused command line.
echo "Quorvel.exe ended with exit code $status"
exit "$status"
