#!/usr/bin/env bash
# thumbnail_sandbox_test.sh INSPECT MODEL
#
# Draws MODEL's thumbnail as a file manager's sandbox would have it drawn:
# every file read-only but the output's folder, no network, no session bus,
# no display, a bare environment and a home nothing can be written to.
set -euo pipefail
inspect=$1
model=$2
if ! command -v bwrap >/dev/null || ! bwrap --ro-bind / / true 2>/dev/null; then
  echo "SKIP: bubblewrap is missing or cannot make a sandbox here"
  exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
bwrap --ro-bind / / --dev /dev --proc /proc --tmpfs /tmp --bind "$out" "$out" --unshare-all --die-with-parent \
  --clearenv --setenv HOME /nonexistent --setenv PATH /usr/bin:/bin \
  "$inspect" thumbnail -s 64 "$model" "$out/car.png" >"$out/said" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  echo "FAIL: the thumbnail exited $status in the sandbox:"
  cat "$out/said"
  exit 1
fi
if [ -s "$out/said" ]; then
  echo "FAIL: the thumbnail said something in the sandbox:"
  cat "$out/said"
  exit 1
fi
# A PNG whose header gives at most 64 pixels a side.
signature=$(head -c 8 "$out/car.png" | od -An -tx1 | tr -d ' \n')
[ "$signature" = 89504e470d0a1a0a ] || { echo "FAIL: not a PNG"; exit 1; }
width=$((16#$(od -An -tx1 -j16 -N4 "$out/car.png" | tr -d ' \n')))
height=$((16#$(od -An -tx1 -j20 -N4 "$out/car.png" | tr -d ' \n')))
if [ "$width" -gt 64 ] || [ "$height" -gt 64 ] || [ "$width" -lt 32 ]; then
  echo "FAIL: the thumbnail is ${width}x${height}"
  exit 1
fi
echo "drawn in the sandbox: ${width}x${height}"
