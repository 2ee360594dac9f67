# bash completion for tandrel-cli: its commands, and the options each one takes.
_tandrel_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} word command=
    COMPREPLY=()
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case $word in status | info | pair | list | names) command=$word ;; esac
    done
    case $prev in
    --timeout) return ;; # a number of seconds
    --file)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
        ;;
    esac
    local words="--json --help"
    case $command in
    "") words="status info pair list names --json --help --version" ;;
    pair) words+=" --timeout" ;;
    names) words+=" --file" ;;
    esac
    mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
}
complete -F _tandrel_cli tandrel-cli
