#!/usr/bin/env bash
# install_test.sh BUILD SOURCE [MODEL]
#
# Installs BUILD into a fresh prefix and checks what a desktop gets from it:
# the two programs, their data, the launcher, the software-centre
# description and the icons, each accepted by its validator; then that the
# installed viewer and inspector, started from a folder that has nothing
# of theirs, find the reflection picture in the installed data folder.
# MODEL (default BUILD/sample/car.o) is what the inspector draws.
set -euo pipefail
self=$(realpath "$0")

id=org.example.KorvexViewer
title="Korvex Model Viewer"
# The caption of the box the viewer shows when it cannot read Data/Env.jpg.
missing_data_caption="BMP Unit"

# Run on the test's own X server (see below): starts the viewer, lets it
# settle, and prints whether it still runs and its top-level windows, one a
# line: id, map state, window types, name.
if [ "${1:-}" = --on-display ]; then
  trap 'echo "the window listing failed at line $LINENO"' ERR
  viewer=$2
  list=$4
  # What the viewer remembers goes to the test's own folder.
  XDG_CONFIG_HOME=$(dirname "$3")/config "$viewer" >"$3" 2>&1 &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
  windows() {
    for w in $(xwininfo -root -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
      # A window may go between the listing and these questions.
      state=$(xwininfo -id "$w" 2>/dev/null | sed -n 's/^ *Map State: //p' || true)
      types=$(xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | sed 's/.*= //; s/, */,/g; s/ //g' || true)
      name=$(xprop -id "$w" WM_NAME 2>/dev/null | sed -n 's/^WM_NAME([A-Z_0-9]*) = "\(.*\)"$/\1/p' || true)
      echo "$w $state $types $name"
    done >"$list"
  }
  for _ in $(seq 50); do
    windows
    grep -q " IsViewable _NET_WM_WINDOW_TYPE_NORMAL $title\$" "$list" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  # A box about the reflection picture comes once the view first draws.
  sleep 2.5
  if kill -0 "$pid" 2>/dev/null; then echo running; else echo ended; fi
  windows
  exit 0
fi

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
model=${3:-$build/sample/car.o}

fail=0
problem() {
  echo "FAIL: $*" >&2
  fail=1
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
mkdir -p "$tmp/elsewhere" "$tmp/runtime"
chmod 700 "$tmp/runtime"

# The data folder compiled into the programs, which they look in last: a
# copy there would hide whether the installed one is found.
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
configured_data=$(cached CMAKE_INSTALL_DATADIR)
case $configured_data in /*) ;; *) configured_data=$(cached CMAKE_INSTALL_PREFIX)/$configured_data ;; esac
if [ -e "$configured_data/korvex-viewer/Data/Env.jpg" ]; then
  echo "SKIP: $configured_data/korvex-viewer/Data/Env.jpg exists, so an install elsewhere cannot be told apart"
  exit 77
fi

cmake --install "$build" --prefix "$prefix" >/dev/null

# --- The installed tree ---
data=$prefix/share/korvex-viewer/Data
for file in bin/korvex-viewer bin/korvex-inspect; do
  [ -x "$prefix/$file" ] || problem "$file is not installed as a program"
done
# Everything in the source's Data/ is installed as it is: the reflection
# picture, the help page and the help page's pictures.
(cd "$source/Data" && find . -type f) | while read -r file; do
  cmp -s "$source/Data/$file" "$data/$file" || echo "$file"
done >"$tmp/data-differs"
[ -s "$tmp/data-differs" ] && problem "data files missing or different: $(tr '\n' ' ' <"$tmp/data-differs")"
[ -f "$data/Env.jpg" ] || problem "share/korvex-viewer/Data/Env.jpg is not installed"
for file in applications/$id.desktop metainfo/$id.metainfo.xml icons/hicolor/scalable/apps/$id.svg; do
  [ -s "$prefix/share/$file" ] || problem "share/$file is not installed"
done
# Each PNG is really of the size its folder says: width and height are the
# big-endian words at bytes 16 and 20 of the file.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'; }
for size in 16 24 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
  if [ ! -f "$icon" ]; then
    problem "no ${size}x${size} icon"
  elif [ "$(png_size "$icon")" != "${size}x${size}" ]; then
    problem "the ${size}x${size} icon is $(png_size "$icon")"
  fi
done
# Nothing but the two programs goes into bin/.
extra=$(ls "$prefix/bin" | grep -vx -e korvex-viewer -e korvex-inspect || true)
[ -z "$extra" ] || problem "more programs installed: $extra"

# --- The validators, on the installed files ---
if ! out=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) || [ -n "$out" ]; then
  problem "desktop-file-validate: $out"
fi
if ! out=$(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" 2>&1); then
  problem "appstreamcli validate: $out"
fi

# --- The installed programs, started from an unrelated folder ---
cd "$tmp/elsewhere"
export XDG_RUNTIME_DIR=$tmp/runtime
# The driver's and the system libraries' own allocations, for a sanitizer build.
export LSAN_OPTIONS="suppressions=$source/tests/lsan.supp:print_suppressions=0"

if ! "$prefix/bin/korvex-inspect" render "$model" --png "$tmp/car.png" --size 64x48 >"$tmp/inspect.txt" 2>&1; then
  problem "korvex-inspect render failed: $(cat "$tmp/inspect.txt")"
fi
if grep -q "^box" "$tmp/inspect.txt"; then
  problem "korvex-inspect render showed: $(grep "^box" "$tmp/inspect.txt")"
fi
[ -s "$tmp/car.png" ] || problem "korvex-inspect render wrote no picture"

# Its own X server, as the window tests share the one ctest runs under.
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
  bash "$self" --on-display "$prefix/bin/korvex-viewer" "$tmp/viewer.txt" "$tmp/windows.txt" >"$tmp/display.txt" 2>&1 ||
  problem "the viewer's X server failed: $(cat "$tmp/display.txt")"
grep -qx running "$tmp/display.txt" || problem "the viewer ended early: $(cat "$tmp/viewer.txt")"
grep -q " IsViewable _NET_WM_WINDOW_TYPE_NORMAL $title\$" "$tmp/windows.txt" ||
  problem "no \"$title\" window is shown"
if grep -q " IsViewable [^ ]* $missing_data_caption\$" "$tmp/windows.txt"; then
  problem "the viewer shows the \"$missing_data_caption\" box: it did not find Data/Env.jpg"
fi
boxes=$(grep " IsViewable [^ ]*_NET_WM_WINDOW_TYPE_DIALOG" "$tmp/windows.txt" | cut -d' ' -f4- || true)
[ -z "$boxes" ] || problem "the viewer shows a box: $boxes"

if [ "$fail" -ne 0 ]; then
  echo "Top-level windows (id, map state, types, name):" >&2
  cat "$tmp/windows.txt" >&2
  exit 1
fi
echo "installed into a fresh prefix; the programs found their data from another folder"
cat "$tmp/windows.txt"
