#!/usr/bin/env bash
# completion_test.sh INSPECT COMPLETIONS
#
# Drives the bash completion of korvex-inspect and korvex-viewer (the
# scripts in the folder COMPLETIONS) as bash would, in a folder of sample
# files: once in a bare shell, once with the bash-completion package's
# helpers loaded (when the package is there). Every command and option in
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
touch car.o "my car.o" a:b.o BIG.KVLOOK look.kvlook paint.tga sky.jpg shot.png notes.txt film.mp4 parts.glb
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
source "$scripts/korvex-inspect"
source "$scripts/korvex-viewer"

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

offered() {  # offered LINE WORD...: each WORD is offered
  complete_line "$1"
  local want have ok=1
  for want in "${@:2}"; do
    for have in "${COMPREPLY[@]}"; do [[ $have == "$want" ]] && continue 2; done
    fail "'$1' did not offer '$want' (offered: ${COMPREPLY[*]})"; ok=0
  done
  ((ok)) && passed=$((passed + 1))
  return 0
}
not_offered() {  # not_offered LINE WORD...: no WORD is offered
  complete_line "$1"
  local bad have ok=1
  for bad in "${@:2}"; do
    for have in "${COMPREPLY[@]}"; do
      [[ $have == "$bad" ]] && { fail "'$1' offered '$bad'"; ok=0; }
    done
  done
  ((ok)) && passed=$((passed + 1))
  return 0
}
exactly() {  # exactly LINE WORD...: just these words, in any order
  complete_line "$1"
  local -A want=()
  local word same=1
  for word in "${@:2}"; do want[$word]=1; done
  for word in "${COMPREPLY[@]}"; do [[ ${want[$word]-} ]] && want[$word]=2 || same=0; done
  for word in "${!want[@]}"; do ((want[$word] == 2)) || same=0; done
  ((${#COMPREPLY[@]} == ${#want[@]})) || same=0
  if ((same)); then passed=$((passed + 1)); else fail "'$1' offered [${COMPREPLY[*]}], not [${*:2}]"; fi
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
exactly "korvex-inspect " model texture render export uv turntable sheet thumbnail
exactly "korvex-inspect t" texture turntable thumbnail
exactly "korvex-inspect render car.o --v" --view
exactly "korvex-inspect render car.o --view " front side top three-quarter
exactly "korvex-inspect turntable car.o --fit --view t" top three-quarter
exactly "korvex-inspect uv car.o --answer " yes no
exactly "korvex-inspect sheet car.o --samples " 0 2 4 8
exactly "korvex-inspect model car.o " --answer --dump
exactly "korvex-inspect thumbnail car.o -" -s
not_offered "korvex-inspect sheet car.o --" --yaw --view --fit --out --texture
not_offered "korvex-inspect turntable car.o --" --png --yaw
not_offered "korvex-inspect export car.o --" --png --size
offered "korvex-inspect render car.o --png shot.png --texture 0=paint.tga --w" --wireframe
for line in "render car.o --size " "render car.o --yaw " "turntable car.o --fps " "uv car.o --part " \
            "thumbnail -s " "render car.o --texture " "render car.o --texture 0=" "nosuch " "render car.o --dump x"; do
  exactly "korvex-inspect $line"
done

# What each place expects on disk: the types it reads or writes and folders.
offered "korvex-inspect model " car.o "my car.o" a:b.o sub "sub dir" out
not_offered "korvex-inspect model " notes.txt look.kvlook paint.tga
offered "korvex-inspect render " car.o look.kvlook BIG.KVLOOK sub
not_offered "korvex-inspect sheet " notes.txt paint.tga
exactly "korvex-inspect texture " paint.tga sky.jpg sub "sub dir" out
exactly "korvex-inspect thumbnail car.o " shot.png sub "sub dir" out
offered "korvex-inspect thumbnail -s 64 " car.o
exactly "korvex-inspect thumbnail car.o shot.png "
exactly "korvex-inspect render car.o --env " paint.tga sky.jpg sub "sub dir" out
exactly "korvex-inspect turntable car.o --out f" film.mp4
exactly "korvex-inspect export car.o --glb p" parts.glb
not_offered "korvex-inspect render car.o --png " car.o notes.txt paint.tga
not_offered "korvex-inspect turntable car.o --out " car.o shot.png
# A value with ":" in it is one word: the picture is the second name.
offered "korvex-inspect thumbnail -s 64 a:b.o " shot.png

# Names with blanks, however they are quoted, and ":" in a name, of which
# bash replaces only what follows the ":".
exactly "korvex-inspect model my\\ c" "my car.o"
exactly "korvex-inspect model \"my c" "my car.o"
exactly "korvex-inspect model 'my c" "my car.o"
exactly "korvex-inspect model sub\\ dir/" "sub dir/inner.o"
exactly "korvex-inspect model a:" b.o
exactly "korvex-viewer \"my" "my car.o"
# "~/" is the home folder: its folders are told from its files there.
exactly "korvex-viewer ~/g" "~/garage"
exactly "korvex-inspect model ~/garage/" "~/garage/old.o" "~/garage/old cars"

# The viewer: its options, or a model, a look or a folder.
exactly "korvex-viewer -" -h --help --version
exactly "korvex-viewer --v" --version
offered "korvex-viewer " car.o look.kvlook BIG.KVLOOK "my car.o" sub "sub dir"
not_offered "korvex-viewer " notes.txt paint.tga shot.png

# All the built inspector names is offered where it names it.
while read -r command options; do
  offered "korvex-inspect " "$command"
  # shellcheck disable=SC2086
  offered "korvex-inspect $command car.o -" $options
done <"$work/options"
while read -r command _; do
  line=$(grep "korvex-inspect $command " "$work/usage")
  while read -r option values; do
    [[ $line == *" [$option $values"* || $line == *" $option $values"* ]] || continue
    exactly "korvex-inspect $command car.o $option " ${values//|/ }
  done <"$work/choices"
  while read -r option files; do
    [[ $line == *" [$option $files"* || $line == *" $option $files"* ]] || continue
    for kind in ${files//|/ }; do offered "korvex-inspect $command car.o $option out/" "out/made.${kind#*.}"; done
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
