# Shared by run.sh and test.sh: package checks and the Wine environment.
# Sourced, not run.

QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the Debian packages named in "$@" that are missing. As root this
# runs apt-get; otherwise it prints the command and stops the script.
qv_require_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "== Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || true
  apt-get install -y -qq "${missing[@]}" >/dev/null || {
    echo "apt-get install failed for: ${missing[*]}" >&2
    exit 1
  }
}

# Wine must stay 64-bit only: with wine32 present the launcher picks the
# 32-bit loader and every 64-bit run fails.
qv_check_wine() {
  if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    echo "wine32:i386 is installed; it breaks 64-bit Wine runs. Remove it with: apt-get remove -y wine32:i386" >&2
    exit 1
  fi
}

# Sets up a Wine prefix inside the build tree (never the user's home) and
# starts a persistent wineserver for it, so each test process starts fast.
qv_wine_env() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  mkdir -p "$WINEPREFIX"
  # Boot the prefix once, outside any test runner (the services Wine starts
  # inherit pipes), then keep a persistent server so each test starts fast.
  # A persistent server started before the prefix exists dies at once.
  timeout 300 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 </dev/null &
  sleep 1
  timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  # The test display has no window manager, and Wine waits up to two seconds
  # for one whenever a managed window is hidden (every page change of the
  # wizard). Windows that Wine manages itself skip that wait.
  timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
}

qv_wine_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
}

# Starts a private Xvfb display and exports DISPLAY.
qv_start_xvfb() {
  local n
  for n in 91 92 93 94 95 96 97 98 99; do
    if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
      Xvfb :$n -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
      QV_XVFB_PID=$!
      export DISPLAY=:$n
      local i
      for i in $(seq 1 50); do
        [ -e /tmp/.X11-unix/X$n ] && return 0
        sleep 0.1
      done
    fi
  done
  echo "Could not start Xvfb" >&2
  return 1
}

qv_stop_xvfb() {
  [ -n "${QV_XVFB_PID:-}" ] && kill "$QV_XVFB_PID" 2>/dev/null || true
}
