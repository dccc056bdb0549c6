#!/usr/bin/env bash
# cli_docs.sh - the quorvel tool's man page and shell completions, run: the
# page renders without a warning and names every option --help names; bash
# completes verbs, options, product titles and folders through its own
# completion machinery (compgen, complete -F); zsh's completion loads and
# offers the same, its completion functions stood in for.
#
#   bash tests/scripts/posix/cli_docs.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
quorvel=$build/quorvel
page=$source/doc/quorvel.1
bashCompletion=$source/doc/completions/quorvel.bash
zshCompletion=$source/doc/completions/_quorvel
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work=$(mktemp -d /tmp/quorvel-docs.XXXXXX)
trap 'rm -rf "$work"' EXIT

text=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2> "$work/man.err")
[ -s "$work/man.err" ] && fail "quorvel.1 renders with warnings: $(cat "$work/man.err")"
for option in $("$quorvel" --help | grep -o -- '--[a-z-]*' | sort -u); do
    case $text in *"$option"*) ;; *) fail "the man page does not name $option" ;; esac
done
case $text in *"EXIT STATUS"*"130"*"143"*) ;; *) fail "the man page states no exit status for signals" ;; esac

# bash: COMPREPLY for the words typed so far, as bash asks for it.
mkdir -p "$work/games/Stormcrow"
completed=$(cd "$work" && bash --norc -c '
    source "$1"
    complete -p quorvel > /dev/null || echo "no completion registered"
    ask() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _quorvel; echo "${COMPREPLY[*]}"; }
    ask "$2" re
    ask "$2" rewrite --sa
    ask "$2" scan --product "Shadow\ U"
    ask "$2" find --channel b
    ask "$2" patch games/S
    ask "$2" products --
' completion "$bashCompletion" "$quorvel")
expected='report rewrite
--save-as-new
Shadow\ Unit Shadow\ Unit\ 2 Shadow\ Unit\ Field\ Ops
box
games/Stormcrow
--json --quiet --verbose --help --version'
[ "$completed" = "$expected" ] || fail "bash completion: expected [$expected], got [$completed]"

# zsh: the completion's own functions run, with zsh's offering functions
# printing what they are given.
if command -v zsh > /dev/null; then
    offered=$(zsh -f -c '
        _describe() { print -rl -- ${(P)${@[-1]}} }
        _arguments() { print -rl -- "$@" }
        compadd() { [[ $1 == -a ]] && print -rl -- ${(P)2} }
        source "$1" > /dev/null
        words=(quorvel p); CURRENT=2; _quorvel
        words=(quorvel rewrite ""); CURRENT=3; _quorvel
        words=("$2" scan --product ""); CURRENT=4; _quorvel_titles
    ' completion "$zshCompletion" "$quorvel")
    for want in "find:list the installs" "--strict[refuse" ":folder:_directories" "Shadow Unit Field Ops"; do
        case $offered in *"$want"*) ;; *) fail "zsh completion does not offer [$want]" ;; esac
    done
else
    fail "zsh is not installed"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "man page, bash and zsh completions checked"
