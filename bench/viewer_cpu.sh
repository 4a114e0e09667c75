#!/usr/bin/env bash
# CPU time the viewer uses while it shows one spinning unit of the demo game,
# with frame pacing and with --uncapped, under a private Xvfb.
#   bench/viewer_cpu.sh [BUILD] [SECONDS]      (defaults: build, 10)
# Needs Xvfb and xdotool; BUILD must hold the viewer and the grib tool.
set -euo pipefail
SOURCE="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$(cd "${1:-build}" && pwd)"
SECONDS_MEASURED="${2:-10}"
VIEWER="$BUILD/app/window/showcase"
GRIB="$BUILD/tools/grib/grib"
[ -x "$VIEWER" ] && [ -x "$GRIB" ] || { echo "viewer_cpu: build the viewer and grib in $BUILD first" >&2; exit 2; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/showcase-bench-XXXXXX")"
XVFB=""
cleanup() {
  [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null && wait "$XVFB" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
"$GRIB" demo "$WORK/game" --source "$SOURCE/demo" >/dev/null
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 3>"$WORK/display" &
XVFB=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$WORK/display")"
TICK=$(getconf CLK_TCK)

# CPU seconds (user + system) of a process so far.
cpu() { awk -v t="$TICK" '{ print ($14 + $15) / t }' "/proc/$1/stat"; }

measure() {
  local log="$WORK/viewer.log" pid about ok x y w h before after
  (cd "$WORK/game" && SHOWCASE_TRACE=1 SDL_AUDIODRIVER=dummy TMPDIR="$WORK" exec "$VIEWER" "$@") >"$log" 2>&1 &
  pid=$!
  for _ in $(seq 300); do grep -q '^trace: about open' "$log" && break; sleep 0.1; done
  about=$(grep -m1 '^trace: about open' "$log") || { echo "viewer_cpu: the viewer did not start" >&2; exit 1; }
  read -r x y w h <<<"$(sed 's/.* ok \([0-9-]* [0-9-]* [0-9]* [0-9]*\).*/\1/' <<<"$about")"
  sleep 1
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
  for _ in $(seq 100); do grep -q 'main=1' "$log" && break; sleep 0.1; done
  sleep 1  # the first frames fit the backgrounds
  before=$(cpu "$pid")
  sleep "$SECONDS_MEASURED"
  after=$(cpu "$pid")
  kill -TERM "$pid"
  wait "$pid" || true
  awk -v a="$before" -v b="$after" -v s="$SECONDS_MEASURED" 'BEGIN { printf "%.2f s CPU in %d s = %.1f%% of one core", b - a, s, 100 * (b - a) / s }'
}

echo "paced:    $(measure)"
echo "uncapped: $(measure --uncapped)"
