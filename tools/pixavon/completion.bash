# bash completion for pixavon(1)
#
# The tables below are the whole of what it knows. To teach it a new command
# or option: add the command and its options to _pixavon_options, and give
# every option that takes a value an entry in _pixavon_values ("COMMAND OPTION"
# for a meaning that only one command has). A command's positional arguments
# are described in _pixavon_arguments.
#
# Kinds of value: file (file names), dir (folder names), none (nothing to
# offer), or a list of words.

# Options of the tool itself, before the command.
_pixavon_global_options="--card --size --help --version"

# Options of each command.
declare -gA _pixavon_options=(
    [info]="--help"
    [list]="--json --help"
    [get]="--all -o --output --format --force --help"
    [put]="--fit --help"
    [rm]="--help"
    [format]="-y --yes --help"
    [backup]="--force --help"
    [restore]="-y --yes --help"
    [contact-sheet]="--force --help"
    [strings]="--lang --help"
    [raw]="--help"
    [raw read]="--help"
    [raw write]="-y --yes --help"
    [import]="--name --again --delete-after --help"
    [rescue]="-o --output --size --repair -y --yes --help"
    [mount]="--read-only -f --foreground --help"
)

# Commands that have commands of their own.
declare -gA _pixavon_subcommands=(
    [raw]="read write"
)

# What an option's value is.
declare -gA _pixavon_values=(
    [--card]=file
    [--size]="8 16"
    [-o]=file
    [--output]=file
    [--format]="png jpeg bmp"
    [--fit]="pad crop"
    [--lang]="en ja zh_TW zh_HK zh_CN zh_SG"
    [--name]=none
    [rescue -o]=dir
    [rescue --output]=dir
)

# What a command's positional arguments are.
declare -gA _pixavon_arguments=(
    [get]=none
    [put]=file
    [rm]=none
    [backup]=file
    [restore]=file
    [contact-sheet]=file
    [raw read]=none
    [raw write]=file
    [import]=dir
    [rescue]=none
    [mount]=dir
)

# Completes a value of kind $1 for the word $2.
_pixavon_offer() {
    local kind=$1 cur=$2
    case $kind in
        none) ;;
        file)
            if declare -F _filedir >/dev/null; then
                _filedir
            else
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            fi
            ;;
        dir)
            if declare -F _filedir >/dev/null; then
                _filedir -d
            else
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            fi
            ;;
        *) mapfile -t COMPREPLY < <(compgen -W "$kind" -- "$cur") ;;
    esac
}

# The kind of value that option $2 of command $1 takes; empty for a flag.
_pixavon_value_kind() {
    local key="$1 $2"
    if [[ -n ${_pixavon_values[$key]+set} ]]; then
        printf '%s' "${_pixavon_values[$key]}"
    elif [[ -n ${_pixavon_values[$2]+set} ]]; then
        printf '%s' "${_pixavon_values[$2]}"
    fi
}

_pixavon() {
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion -s || return
    else
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
    fi
    COMPREPLY=()

    # Find the command (and its subcommand) in the words before the cursor,
    # stepping over options and their values.
    local command="" i word kind
    for ((i = 1; i < cword; i++)); do
        word=${words[i]}
        if [[ $word == -* ]]; then
            kind=$(_pixavon_value_kind "$command" "$word")
            [[ -n $kind && $word != *=* ]] && ((i++))
        elif [[ -z $command ]]; then
            command=$word
        elif [[ -n ${_pixavon_subcommands[$command]+set} && " ${_pixavon_subcommands[$command]} " == *" $word "* ]]; then
            command="$command $word"
        fi
    done

    # The value of an option.
    if [[ $prev == -* ]]; then
        kind=$(_pixavon_value_kind "$command" "$prev")
        if [[ -n $kind ]]; then
            _pixavon_offer "$kind" "$cur"
            return
        fi
    fi

    if [[ $cur == -* ]]; then
        local options=$_pixavon_global_options
        [[ -n $command ]] && options=${_pixavon_options[$command]}
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    if [[ -z $command ]]; then
        local key
        local -a commands=()
        for key in "${!_pixavon_options[@]}"; do
            [[ -n $key && $key != *" "* ]] && commands+=("$key")
        done
        mapfile -t COMPREPLY < <(compgen -W "${commands[*]}" -- "$cur" | LC_ALL=C sort)
        return
    fi
    if [[ -n ${_pixavon_subcommands[$command]+set} ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${_pixavon_subcommands[$command]}" -- "$cur")
        return
    fi
    _pixavon_offer "${_pixavon_arguments[$command]:-none}" "$cur"
}

complete -F _pixavon pixavon
