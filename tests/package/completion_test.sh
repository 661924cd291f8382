#!/usr/bin/env bash
# The bash completion knows every command and option that `pixavon --help`
# lists, and completes commands, option values and file names.
#
#   completion_test.sh PIXAVON COMPLETION_FILE
set -uo pipefail
tool=$1
completion=$2
# shellcheck source=/dev/null
source "$completion"
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

# Lines of one section ("Options:", "Subcommands:", "Positionals:") of a help text.
section() { awk -v s="$1" '$0 == s {on = 1; next} /^[^ ]/ {on = 0} on && NF'; }

# check COMMAND...: the options, positionals and subcommands of one command.
check() {
  local key="$*" help line left name
  help=$("$tool" "$@" --help) || { fail "pixavon $key --help failed"; return; }
  local known=" $_pixavon_global_options "
  if [[ -n $key ]]; then
    [[ -n ${_pixavon_options[$key]+set} ]] || fail "completion does not know the command '$key'"
    known=" ${_pixavon_options[$key]-} "
  fi
  while IFS= read -r line; do
    left=$(sed -E 's/^ +//; s/  .*//' <<<"$line")
    for name in $(tr ',' ' ' <<<"${left%% *}"); do
      [[ $name == -h ]] && continue
      [[ $known == *" $name "* ]] || fail "completion does not offer '$name' for '${key:-pixavon}'"
      if [[ $left == *" "* && -z $(_pixavon_value_kind "$key" "$name") ]]; then
        fail "completion does not know what '$name' of '${key:-pixavon}' takes"
      fi
    done
  done < <(section "Options:" <<<"$help" | grep -E '^  -')
  if [[ -n $key && -n $(section "Positionals:" <<<"$help") && -z ${_pixavon_arguments[$key]+set} \
        && -z ${_pixavon_subcommands[$key]+set} ]]; then
    fail "completion does not know the arguments of '$key'"
  fi
  local sub
  for sub in $(section "Subcommands:" <<<"$help" | awk '{print $1}'); do
    check "$@" "$sub"
  done
}
check

# complete LINE: what completing at the end of LINE offers.
complete_line() {
  COMP_LINE=$1
  COMP_POINT=${#1}
  read -ra COMP_WORDS <<<"$1"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _pixavon
  ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' '
}
expect() {
  local got
  got=$(complete_line "$1")
  [[ $got == "$2" ]] || fail "completing '$1' offers '$got', not '$2'"
}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" && touch photo.png card.bin && mkdir pictures
expect "pixavon res" "rescue restore "
expect "pixavon --card c" "card.bin "
expect "pixavon --card card.bin put p" "photo.png pictures "
expect "pixavon get --format " "bmp jpeg png "
expect "pixavon raw " "read write "
expect "pixavon import p" "pictures "
expect "pixavon rm " ""
exit $status
