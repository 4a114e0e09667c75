#!/usr/bin/env bash
# The Windows part of test.sh: cross-builds the executables and the unit
# tests with mingw-w64, runs the tests under Wine (one run per test folder,
# since every start of Wine costs time), checks that grib.exe prints and
# writes byte for byte what the Linux grib does on the demo game, and runs
# showcase.exe on that game end to end (e2e.sh).
#   tests/windows/run.sh LINUX_BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$(pwd)"
linux_build="$(cd "${1:-build}" && pwd)"

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || ! command -v wine >/dev/null; then
  echo "tests/windows/run.sh: mingw-w64 or Wine missing: the Windows part is skipped" >&2
  exit 0
fi
start=$(date +%s)
# The window tests need a display: a private Xvfb for the run when there is none.
xvfb=""
work=""
cleanup() {
  [ -n "$work" ] && rm -rf "$work"
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  return 0
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  work="$(mktemp -d)"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$work/display")"
fi
BUILD_DIR=build-windows ./build-windows.sh
win="$root/build-windows"

# A prefix of our own in the build tree, made (or updated) once up front
# with its output kept out of the tests' pipes.
export WINEPREFIX="$win/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export SHOWCASE_DEMO_DIR="$root/demo"
wine "$win/tools/grib/grib.exe" --help >/dev/null 2>&1 </dev/null
(cd "$win" && ctest --output-on-failure -j "${JOBS:-$(nproc)}")
# Death tests on Windows run the test again in a new process, which exits
# without its destructors and so leaves its temporary folders behind.
rm -rf "$WINEPREFIX"/drive_c/users/*/Temp/showcase-test-*

# The same answers from both builds on the demo game.
grib="$linux_build/tools/grib/grib"
gribexe="$win/tools/grib/grib.exe"
[ -n "$work" ] || work="$(mktemp -d)"
"$grib" demo "$work/game" --source "$root/demo" >/dev/null
same() {  # what, linux file, windows file
  if ! cmp -s "$2" "$3"; then
    echo "tests/windows/run.sh: $1 differs between the Linux and the Windows build" >&2
    exit 1
  fi
}
cd "$work/game"
for a in *.GRB; do
  "$grib" archive list "$a" >"$work/l.txt"
  wine "$gribexe" archive list "$a" >"$work/w.txt"
  same "archive list $a" "$work/l.txt" "$work/w.txt"
done
"$grib" units --json >"$work/l.txt"
wine "$gribexe" units --json >"$work/w.txt"
same "units --json" "$work/l.txt" "$work/w.txt"
render=(render --unit CORTANK --size 200x150 --frames 0,7,7 --press 1012@1)
"$grib" "${render[@]}" --out "$work/l.pcx"
wine "$gribexe" "${render[@]}" --out "$work/w.pcx"
same "render" "$work/l.pcx" "$work/w.pcx"
"$root/tests/windows/e2e.sh" "$win" "$work/game"
wineserver -w
echo "tests/windows/run.sh: Windows build and tests passed in $(( $(date +%s) - start )) s"
