# bash completion for zeptal32-cli

_zeptal32_cli_ports() {
    local ports=(/dev/ttyUSB* /dev/ttyACM* /dev/ttyS* /dev/serial/by-id/*)
    local existing=() p
    for p in "${ports[@]}"; do
        [[ -e $p ]] && existing+=("$p")
    done
    COMPREPLY=($(compgen -W "${existing[*]} COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9 COM10 COM11 COM12 COM13 COM14 COM15 COM16" -- "$cur"))
    # a typed path that is not listed, e.g. a pseudo-terminal
    [[ $cur == /* ]] && COMPREPLY+=($(compgen -f -- "$cur"))
}

# Files with the extension in either case, and folders to walk into.
_zeptal32_cli_files() {
    local ext=$1
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -X "!*.@(${ext,,}|${ext^^})" -- "$cur") $(compgen -d -- "$cur"))
}

_zeptal32_cli() {
    local cur prev words cword
    _init_completion || return

    local options="--port --baud --display --simulator --simulator-option --trace --quiet -q
        --help -h --version --ports --report --retries"
    local commands="apply ports scan texts keys char test display speed version eeprom address send"
    local displays="8x2 16x1 16x2 16x4 20x1 20x2 20x4 24x1 24x2 32x1 32x2 40x1 40x2 40x4"

    case $prev in
    --port) _zeptal32_cli_ports; return ;;
    --report) _zeptal32_cli_files "jsonl|csv"; return ;;
    --retries) COMPREPLY=($(compgen -W "0 1 2 3" -- "$cur")); return ;;
    --baud) COMPREPLY=($(compgen -W "9600 4800 2400 1200" -- "$cur")); return ;;
    --display) COMPREPLY=($(compgen -W "$displays" -- "$cur")); return ;;
    --trace) _filedir; return ;;
    --simulator-option)
        COMPREPLY=($(compgen -W "display-type= address= eeprom-capacity= version-reply=
            no-echo-after= wrong-echo-at= silent-version silent-eeprom old-firmware
            short-version noise= line-rate strict-speed speed= faulty-transfers=" -- "$cur"))
        compopt -o nospace 2>/dev/null
        return ;;
    esac

    # The command and its first word, skipping the common options and their values.
    local i command="" action=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
        --port | --ports | --report | --retries | --baud | --display | --trace | --simulator-option) ((i++)) ;;
        -*) ;;
        *) if [[ -z $command ]]; then command=${words[i]}; elif [[ -z $action ]]; then action=${words[i]}; fi ;;
        esac
    done

    if [[ $cur == -* ]]; then
        local own=""
        case $command/$action in
        texts/write) own="--verify" ;;
        texts/verify) own="--json" ;;
        apply/*) own="--dry-run --print-image --watch" ;;
        ports/*) own="--json" ;;
        scan/*) own="--use" ;;
        test/*) own="--interactive" ;;
        esac
        COMPREPLY=($(compgen -W "$options $own" -- "$cur"))
        return
    fi

    case $command in
    "") COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
    apply) [[ -z $action ]] && _zeptal32_cli_files pultino ;;
    scan) _zeptal32_cli_ports ;;
    texts)
        case $action in
        "") COMPREPLY=($(compgen -W "write verify read show" -- "$cur")) ;;
        write | verify | read) _zeptal32_cli_files txt ;;
        show) COMPREPLY=($(compgen -W "$(echo {0..127})" -- "$cur")) ;;
        esac ;;
    keys)
        case $action in
        "") COMPREPLY=($(compgen -W "write reset mode" -- "$cur")) ;;
        write) _zeptal32_cli_files tst ;;
        mode) COMPREPLY=($(compgen -W "0 1 2 3 4 5 6 7" -- "$cur")) ;;
        esac ;;
    char)
        case $action in
        "") COMPREPLY=($(compgen -W "write erase" -- "$cur")) ;;
        write) _zeptal32_cli_files chr ;;
        erase) COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 8 all" -- "$cur")) ;;
        esac ;;
    display) [[ -z $action ]] && COMPREPLY=($(compgen -W "$displays" -- "$cur")) ;;
    speed) [[ -z $action ]] && COMPREPLY=($(compgen -W "9600 4800 2400 1200" -- "$cur")) ;;
    address) [[ -z $action ]] && COMPREPLY=($(compgen -W "alle $(echo {0..15})" -- "$cur")) ;;
    esac
} &&
    complete -F _zeptal32_cli zeptal32-cli
