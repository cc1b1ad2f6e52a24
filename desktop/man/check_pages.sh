#!/usr/bin/env bash
# check_pages.sh INSPECT VIEWER PAGES [COMPRESSED]
#
# Checks the manual pages in the folder PAGES against the programs they
# describe: groff and man (run as lintian runs it) must have nothing to say
# about either page, lexgrog must find its whatis line, option dashes must
# be written \- , and every command and option that the built programs'
# usage texts name (INSPECT with no arguments, VIEWER --help) must be
# described in the page, so that a page cannot fall behind its program.
# With COMPRESSED, the folder of the built .1.gz files, those must hold the
# pages as they are, packed at most compression with no name or time.
set -uo pipefail

inspect=$1
viewer=$2
pages=$3
compressed=${4:-}

for tool in groff man lexgrog; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (Debian packages groff, man-db)"
    exit 77
  fi
done

fail=0
problem() {
  echo "FAIL: $*" >&2
  fail=1
}

# What the formatters say about a page; each must say nothing.
check_formatting() {
  local page=$1 out width
  out=$(groff -man -ww -z "$page" 2>&1)
  [ -z "$out" ] || problem "groff -ww on $(basename "$page"):"$'\n'"$out"
  # Lintian's own call, at the width of a terminal and at its own width.
  for width in 80 120; do
    out=$(cd "$(dirname "$page")" && env -i PATH="$PATH" LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=$width \
      man --warnings -E UTF-8 -l -Tutf8 -Z "$(basename "$page")" 2>&1 >/dev/null)
    [ -z "$out" ] || problem "man --warnings at $width columns on $(basename "$page"):"$'\n'"$out"
  done
  out=$(LC_ALL=C.UTF-8 lexgrog "$page" 2>&1) || problem "lexgrog finds no whatis line in $(basename "$page"): $out"
  # A plain - starting a word is a hyphen, not the minus of an option or a number.
  out=$(grep -nE '(^|[[:space:][(|"])-[-[:alnum:]]' "$page" | grep -vE '^[0-9]+:\.\\"')
  [ -z "$out" ] || problem "$(basename "$page") writes an option dash as a hyphen (use \\-):"$'\n'"$out"
}

# The page as plain text, each paragraph on one line, never hyphenated.
render() {
  groff -man -Tutf8 -rLL=5000n -P-cbu "$1" 2>/dev/null
}

# The text of the section headed $2 in the rendered page $1.
section() {
  awk -v name="$2" '/^[A-Z]/ { inside = ($0 == name); next } inside' "$1"
}

# Whether the text on standard input holds $1 as a word of its own.
holds_word() {
  grep -qE -- "(^|[^[:alnum:]-])$1(\$|[^[:alnum:]-])"
}

# The options of a usage text: words starting with - or -- after a blank, [ or |.
options_of() {
  grep -oE -- '(^|[[:space:][|])--?[a-z][a-z0-9-]*' | sed 's/^[[:space:][|]*//' | sort -u
}

# Prints each option of the list in $2.. that the OPTIONS section of the
# rendered page $1 does not describe.
missing_options() {
  local text=$1 option
  shift
  for option in "$@"; do
    section "$text" OPTIONS | holds_word "$option" || echo "$option"
  done
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for page in korvex-inspect.1 korvex-viewer.1; do
  if [ -f "$pages/$page" ]; then
    check_formatting "$pages/$page"
    render "$pages/$page" >"$tmp/$page.txt"
  else
    problem "$pages/$page is missing"
    : >"$tmp/$page.txt"
  fi
done

# --- korvex-inspect: its usage, printed for no arguments, against the page ---
"$inspect" >/dev/null 2>"$tmp/inspect-usage"
status=$?
[ "$status" -eq 2 ] || problem "korvex-inspect with no arguments ended with $status, not 2"
commands=$(sed -n 's/^.*korvex-inspect \([a-z][a-z-]*\).*$/\1/p' "$tmp/inspect-usage" | sort -u)
mapfile -t inspect_options < <(options_of <"$tmp/inspect-usage")
# A usage that names nothing would let every page pass.
[ -n "$commands" ] || problem "no commands found in the usage of korvex-inspect: $(cat "$tmp/inspect-usage")"
[ ${#inspect_options[@]} -gt 0 ] || problem "no options found in the usage of korvex-inspect"

for command in $commands; do
  section "$tmp/korvex-inspect.1.txt" SYNOPSIS | holds_word "korvex-inspect $command" ||
    problem "korvex-inspect.1 has no synopsis of the command $command"
  section "$tmp/korvex-inspect.1.txt" COMMANDS | grep -qE "^[[:space:]]+$command[[:space:]]*\$" ||
    problem "korvex-inspect.1 has no part for the command $command under COMMANDS"
done
missing=$(missing_options "$tmp/korvex-inspect.1.txt" "${inspect_options[@]}")
[ -z "$missing" ] || problem "korvex-inspect.1 does not describe these options:" $missing

# --- korvex-viewer: its --help against the page ---
"$viewer" --help >"$tmp/viewer-usage" 2>&1
status=$?
[ "$status" -eq 0 ] || problem "korvex-viewer --help ended with $status, not 0"
mapfile -t viewer_options < <(options_of <"$tmp/viewer-usage")
[ ${#viewer_options[@]} -gt 0 ] || problem "no options found in korvex-viewer --help: $(cat "$tmp/viewer-usage")"
section "$tmp/korvex-viewer.1.txt" SYNOPSIS | holds_word "korvex-viewer" ||
  problem "korvex-viewer.1 has no synopsis"
missing=$(missing_options "$tmp/korvex-viewer.1.txt" "${viewer_options[@]}")
[ -z "$missing" ] || problem "korvex-viewer.1 does not describe these options:" $missing

# --- The option check itself: a page with one option taken out must fail it ---
if [ ${#inspect_options[@]} -gt 0 ] && [ -f "$pages/korvex-inspect.1" ]; then
  dropped=${inspect_options[0]}
  grep -vF -- "${dropped//-/\\-}" "$pages/korvex-inspect.1" >"$tmp/dropped.1"
  render "$tmp/dropped.1" >"$tmp/dropped.txt"
  [ "$(missing_options "$tmp/dropped.txt" "$dropped")" = "$dropped" ] ||
    problem "the option check does not notice $dropped taken out of the page"
fi

# --- The compressed pages the build made ---
if [ -n "$compressed" ]; then
  for page in korvex-inspect.1 korvex-viewer.1; do
    packed=$compressed/$page.gz
    if [ ! -f "$packed" ]; then
      problem "$packed was not built"
      continue
    fi
    gzip -dc "$packed" | cmp -s - "$pages/$page" || problem "$packed does not hold $page as it is"
    # The header: flags (no file name), time (none) and the mark of most compression.
    read -r _ _ _ flags t1 t2 t3 t4 extra _ < <(od -An -tu1 -N10 "$packed")
    [ "$flags $t1 $t2 $t3 $t4" = "0 0 0 0 0" ] || problem "$packed keeps a file name or a time"
    [ "$extra" = 2 ] || problem "$packed is not packed at most compression"
  done
fi

if [ "$fail" -ne 0 ]; then
  echo "korvex-inspect usage:" >&2
  cat "$tmp/inspect-usage" >&2
  exit 1
fi
echo "both pages format cleanly and describe $(echo $commands | wc -w) commands and" \
  "$((${#inspect_options[@]} + ${#viewer_options[@]})) options of the programs"
