#!/usr/bin/env bash
# completion_test.sh INSPECT COMPLETIONS
#
# Drives the bash completion of korvex-inspect and korvex-viewer (the
# script korvex in the folder COMPLETIONS) as bash would, in a folder of
# sample files: once in a bare shell, once with the bash-completion
# package's helpers loaded (when the package is there). Every command and option in
# the usage text of the inspector INSPECT must be offered too.
set -euo pipefail

inspect=$(realpath "$1")
scripts=$(cd "$2" && pwd)
helpers=/usr/share/bash-completion/bash_completion

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config
mkdir -p "$HOME" "$work/files"
cd "$work/files"
touch car.o "my car.o" a:b.o BIG.KVLOOK look.kvlook paint.tga sky.jpg shot.png notes.txt
mkdir -p sub "sub dir"
touch "sub dir/inner.o"
mkdir -p "$HOME/garage/old cars"
touch "$HOME/garage/old.o" "$HOME/garage/readme.txt"

# The inspector prints its usage on stderr and ends with 2 when given nothing.
status=0
"$inspect" 2>"$work/usage" >/dev/null || status=$?
if [ "$status" -ne 2 ] || ! grep -q '^usage: korvex-inspect ' "$work/usage"; then
  echo "FAIL: $inspect gave no usage (exit $status)" >&2
  exit 1
fi
# One usage line a command: "COMMAND OPTION...", and the values it lists.
sed -n 's/^\(usage:\)\? *korvex-inspect \([a-z]*\) .*/\2/p' "$work/usage" >"$work/commands"
while read -r command; do
  line=$(grep -E "korvex-inspect $command " "$work/usage")
  printf '%s' "$command"
  grep -oE '(^| |\[)--?[a-z][a-z-]*' <<<"$line" | tr -d ' [' | tr '\n' ' ' | sed 's/^/ /'
  echo
done <"$work/commands" >"$work/options"
# "--view front|side|..." lists choices; "--png OUT.png" names the file made.
grep -oE -- '[[ ]--?[a-z][a-z-]* [a-z0-9-]+(\|[a-z0-9-]+)+' "$work/usage" | cut -c2- | sort -u >"$work/choices"
grep -oE -- '[[ ]--?[a-z][a-z-]* [A-Z]+\.[a-z0-9]+(\|[A-Z]+\.[a-z0-9]+)*' "$work/usage" | cut -c2- | sort -u \
  >"$work/outputs"
mkdir out
while read -r _ files; do
  for kind in ${files//|/ }; do touch "out/made.${kind#*.}"; done
done <"$work/outputs"

cat >"$work/checks.sh" <<'EOF'
helpers=$1 scripts=$2 work=$3
if [ -n "$helpers" ]; then
  source "$helpers"
  declare -F _init_completion >/dev/null || { echo "FAIL: $helpers has no _init_completion"; exit 1; }
else
  ! declare -F _init_completion >/dev/null || { echo "FAIL: helpers loaded in the bare shell"; exit 1; }
fi
# Installed under both names, the script may be loaded once for each.
source "$scripts/korvex"
source "$scripts/korvex"

passed=0 failed=0
fail() { echo "FAIL${helpers:+ (with helpers)}: $*"; failed=$((failed + 1)); }

# Completes LINE, the cursor at its end, with the words split as bash
# splits them: at unquoted blanks, and "=" and ":" each a word of its own.
complete_line() {
  local line=$1 word="" quote="" c i
  COMP_WORDS=()
  for ((i = 0; i < ${#line}; i++)); do
    c=${line:i:1}
    if [[ -n $quote ]]; then
      word+=$c
      [[ $c == "$quote" ]] && quote=""
    elif [[ $c == '\' ]]; then
      word+=$c${line:i+1:1}
      ((i++))
    elif [[ $c == [\'\"] ]]; then
      word+=$c quote=$c
    elif [[ $c == [[:space:]] ]]; then
      [[ -n $word ]] && COMP_WORDS+=("$word")
      word=""
    elif [[ $c == [=:] ]]; then
      [[ -n $word ]] && COMP_WORDS+=("$word")
      COMP_WORDS+=("$c")
      word=""
    else
      word+=$c
    fi
  done
  if [[ -n $word || $line == *[[:space:]] ]]; then COMP_WORDS+=("$word"); fi
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$line COMP_POINT=${#line}
  COMPREPLY=()
  "${completer[${COMP_WORDS[0]}]}" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
}

# check has|lacks|is LINE WORD...: completing LINE offers each WORD, none
# of them, or just them.
check() {
  local mode=$1 line=$2 word ok=1
  shift 2
  complete_line "$line"
  local -A have=()
  for word in "${COMPREPLY[@]}"; do have[$word]=1; done
  for word; do
    [[ -n ${have[$word]-} ]] && [[ $mode == lacks ]] && ok=0
    [[ -z ${have[$word]-} ]] && [[ $mode != lacks ]] && ok=0
  done
  [[ $mode == is ]] && ((${#have[@]} != $# || ${#COMPREPLY[@]} != $#)) && ok=0
  if ((ok)); then passed=$((passed + 1)); else fail "'$line' offered [${COMPREPLY[*]}]; $mode: [$*]"; fi
}

declare -A completer
for command in korvex-inspect korvex-viewer; do
  completer[$command]=_${command//-/_}
  if [[ $(complete -p $command) == *" -F ${completer[$command]} "* ]]; then
    passed=$((passed + 1))
  else
    fail "$command is not completed by ${completer[$command]}"
  fi
done

# The commands, then each command's own options and their values.
check is "korvex-inspect " model texture render export uv turntable sheet thumbnail
check is "korvex-inspect render car.o --v" --view
check is "korvex-inspect render car.o --view " front side top three-quarter
check is "korvex-inspect turntable car.o --fit --view t" top three-quarter
check is "korvex-inspect model car.o " --answer --dump
check is "korvex-inspect thumbnail car.o -" -s
check lacks "korvex-inspect sheet car.o --" --yaw --view --fit --out --texture
check lacks "korvex-inspect turntable car.o --" --png --yaw
check lacks "korvex-inspect export car.o --" --png --size
check has "korvex-inspect render car.o --png shot.png --texture 0=paint.tga --w" --wireframe
for line in "render car.o --size " "render car.o --yaw " "turntable car.o --fps " "uv car.o --part " \
            "thumbnail -s " "render car.o --texture " "render car.o --texture 0=" "nosuch " "render car.o --dump x"; do
  check is "korvex-inspect $line"
done

# What each place expects on disk: the types it reads or writes and folders.
check has "korvex-inspect model " car.o "my car.o" a:b.o sub "sub dir" out
check lacks "korvex-inspect model " notes.txt look.kvlook paint.tga
check has "korvex-inspect render " car.o look.kvlook BIG.KVLOOK sub
check lacks "korvex-inspect sheet " notes.txt paint.tga
check is "korvex-inspect texture " paint.tga sky.jpg sub "sub dir" out
check is "korvex-inspect thumbnail car.o " shot.png sub "sub dir" out
check has "korvex-inspect thumbnail -s 64 " car.o
check is "korvex-inspect thumbnail car.o shot.png "
check is "korvex-inspect render car.o --env " paint.tga sky.jpg sub "sub dir" out
check lacks "korvex-inspect render car.o --png " car.o notes.txt paint.tga
check lacks "korvex-inspect turntable car.o --out " car.o shot.png
# A value with ":" in it is one word: the picture is the second name.
check has "korvex-inspect thumbnail -s 64 a:b.o " shot.png

# Names with blanks, however they are quoted, and ":" in a name, of which
# bash replaces only what follows the ":".
check is "korvex-inspect model my\\ c" "my car.o"
check is "korvex-inspect model \"my c" "my car.o"
check is "korvex-inspect model 'my c" "my car.o"
check is "korvex-inspect model sub\\ dir/" "sub dir/inner.o"
check is "korvex-inspect model a:" b.o
check is "korvex-viewer \"my" "my car.o"
# "~/" is the home folder: its folders are told from its files there.
check is "korvex-viewer ~/g" "~/garage"
check is "korvex-inspect model ~/garage/" "~/garage/old.o" "~/garage/old cars"

# The viewer: its options, or a model, a look or a folder.
check is "korvex-viewer -" -h --help --version
check has "korvex-viewer " car.o look.kvlook BIG.KVLOOK "my car.o" sub "sub dir"
check lacks "korvex-viewer " notes.txt paint.tga shot.png

# Every command, option and listed value in the built inspector's usage is
# offered where the usage puts it. Each usage line is read, the
# thumbnail's ("thumbnail [-s SIZE] INPUT OUTPUT") among them.
if (($(grep -c 'korvex-inspect [a-z]' "$work/usage") == $(wc -l <"$work/options"))) &&
   grep -qx 'thumbnail -s ' "$work/options"; then
  passed=$((passed + 1))
else
  fail "the usage's commands were not all read: [$(tr '\n' ';' <"$work/options")]"
fi
while read -r command options; do
  check has "korvex-inspect " "$command"
  # shellcheck disable=SC2086
  check has "korvex-inspect $command car.o -" $options
done <"$work/options"
while read -r command _; do
  line=$(grep "korvex-inspect $command " "$work/usage")
  while read -r option values; do
    [[ $line == *" [$option $values"* || $line == *" $option $values"* ]] || continue
    check is "korvex-inspect $command car.o $option " ${values//|/ }
  done <"$work/choices"
  while read -r option files; do
    [[ $line == *" [$option $files"* || $line == *" $option $files"* ]] || continue
    for kind in ${files//|/ }; do check has "korvex-inspect $command car.o $option out/" "out/made.${kind#*.}"; done
  done <"$work/outputs"
done <"$work/options"

echo "completion${helpers:+ with helpers}: $passed passed, $failed failed"
((failed == 0))
EOF

result=0
bash --norc --noprofile "$work/checks.sh" "" "$scripts" "$work" || result=1
if [ -r "$helpers" ]; then
  bash --norc --noprofile "$work/checks.sh" "$helpers" "$scripts" "$work" || result=1
else
  echo "skipped the checks with the helpers: $helpers is not installed"
fi
exit $result
