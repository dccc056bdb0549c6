# bash completion for quorvel: verbs, the options of each, product titles
# for --product (from "quorvel products --json"), folders where folders go.
# Installed as /usr/share/bash-completion/completions/quorvel.

_quorvel_titles() {
    "$1" products --json 2>/dev/null | sed -n 's/.*"title":"\([^"]*\)".*/\1/p'
}

_quorvel() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local verb= i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        scan | patch | report | rewrite | undo | status | find | products) verb=${COMP_WORDS[i]} && break ;;
        esac
    done
    COMPREPLY=()
    case $prev in
    --product)
        # Titles hold blanks: each one quoted as a single word.
        local typed=${cur//\\/} title
        typed=${typed#[\"\']}
        while IFS= read -r title; do
            [[ $title == "$typed"* ]] && COMPREPLY+=("$(printf '%q' "$title")")
        done < <(_quorvel_titles "${COMP_WORDS[0]}")
        return
        ;;
    --channel)
        mapfile -t COMPREPLY < <(compgen -W "box download" -- "$cur")
        return
        ;;
    --prefix | --search)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
        ;;
    --old | --new) return ;;
    esac

    local common="--json -q --quiet -v --verbose -h --help -V --version"
    local target="--product --channel --prefix"
    local write="--save-as-new -n --dry-run --strict"
    local options
    case $verb in
    scan) options="$common --old --new $target" ;;
    patch) options="$common --old --new $target $write" ;;
    report) options="$common --old --new $target" ;;
    rewrite) options="$common --old --new $target $write" ;;
    undo) options="$common $target -n --dry-run" ;;
    status) options="$common --old --new $target" ;;
    find) options="$common --search --product --channel" ;;
    *) options=$common ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    elif [[ -z $verb ]]; then
        mapfile -t COMPREPLY < <(compgen -W "scan patch report rewrite undo status find products" -- "$cur")
    elif [[ $verb != find && $verb != products ]]; then
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
    fi
}

complete -F _quorvel quorvel
