#!/usr/bin/env bash
# The programs' own --help is the list of commands and options. The man pages, the README and
# the bash completion must each offer every one of them, so none can fall behind the programs.
#   options.sh USR README            check everything
#   options.sh USR complete LINE W…  the completion of LINE must be exactly W…
set -uo pipefail
usr=$1
completion=$usr/share/bash-completion/completions/zeptal32-cli

# What bash offers for LINE (a trailing blank starts a new word).
complete_line() {
    bash --norc --noprofile -c '
        source /usr/share/bash-completion/bash_completion
        source "$1" || exit 1
        read -ra COMP_WORDS <<< "$2"
        [[ $2 == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$2 COMP_POINT=${#2}
        _zeptal32_cli
        printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$1"
}

if [ "${2:-}" = complete ]; then
    got=$(complete_line "$3" | paste -sd " ")
    [ "$got" = "${*:4}" ] || { echo "completing '$3' gave '$got', not '${*:4}'" >&2; exit 1; }
    exit 0
fi

readme=$2
failures=0
missing() { echo "missing: $*" >&2; failures=$((failures + 1)); }
long_options() { grep -oE '(^|[][[:space:],|(])--[a-z][a-z0-9-]*' | sed 's/^[^-]*//' | sort -u; }
page() { gzip -dc "$usr/share/man/man1/$1.1.gz" | mandoc -T ascii | col -b; }
has_option() { grep -qE -- "(^|[^a-z-])$1([^a-z-]|\$)" <<< "$2"; }

# zeptal32-cli: each form of the command overview ("texts write DATEI.TXT [--verify]") and the
# common options below it.
help=$("$usr/bin/zeptal32-cli" --help)
forms=$(sed -n '/^Befehle:/,/^$/{/^  /{s/^  //;s/  .*//;p}}' <<< "$help")
common=$(sed -n '/^Optionen/,/^$/p' <<< "$help" | long_options)
[ -n "$forms" ] && [ -n "$common" ] || missing "commands or options in zeptal32-cli --help"
man=$(page zeptal32-cli)
offered=$(complete_line "zeptal32-cli --")
for option in $common; do
    has_option "$option" "$man" || missing "$option in zeptal32-cli(1)"
    has_option "$option" "$(cat "$readme")" || missing "$option in the README"
    grep -qx -- "$option" <<< "$offered" || missing "$option in the completion"
done
while read -r command action rest; do
    grep -qF "$command" <<< "$man" || missing "$command in zeptal32-cli(1)"
    grep -qx "$command" <<< "$(complete_line "zeptal32-cli ")" || missing "$command completed"
    words="$command"
    if [[ $action =~ ^[a-z]+$ ]]; then
        words="$command $action"
        grep -qx "$action" <<< "$(complete_line "zeptal32-cli $command ")" ||
            missing "$words completed"
    else
        rest="$action $rest"
    fi
    grep -qF "$words" <<< "$man" || missing "$words in zeptal32-cli(1)"
    grep -qF "$words" "$readme" || missing "$words in the README"
    for option in $(long_options <<< "$rest"); do
        has_option "$option" "$man" || missing "$option of $words in zeptal32-cli(1)"
        has_option "$option" "$(cat "$readme")" || missing "$option of $words in the README"
        grep -qx -- "$option" <<< "$(complete_line "zeptal32-cli $words --")" ||
            missing "$option of $words in the completion"
    done
done <<< "$forms"

# zeptal32: its man page and the README.
man=$(page zeptal32)
for option in $("$usr/bin/zeptal32" --help | long_options); do
    has_option "$option" "$man" || missing "$option in zeptal32(1)"
    has_option "$option" "$(cat "$readme")" || missing "$option of zeptal32 in the README"
done

# pultino-sim: its man page, and the completion of --simulator-option, which takes the
# terminal's options without their dashes (not those that steer the process itself).
man=$(page pultino-sim)
offered=$(complete_line "zeptal32-cli --simulator-option ")
for option in $("$usr/bin/pultino-sim" --help | long_options); do
    has_option "$option" "$man" || missing "$option in pultino-sim(1)"
    case $option in --help | --help-all | --version | --headless | --screenshot) continue ;; esac
    grep -qxE -- "${option#--}=?" <<< "$offered" || missing "$option for --simulator-option"
done
exit $((failures > 0))
