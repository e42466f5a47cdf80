# bash completion of korvel-cli: its commands, the options of each, and the
# files each takes.

_korvel_cli()
{
    local cur prev words cword
    _init_completion -s || return

    local commands="convert info decode --help --version"
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        return
    fi

    local command=${words[1]}
    case $prev in
        --title | --copyright | --start | --length | --fade-in | --fade-out | --gain)
            return
            ;;
        --rate)
            COMPREPLY=($(compgen -W "4000 8000" -- "$cur"))
            return
            ;;
        --output-dir)
            _filedir -d
            return
            ;;
        -o | --output)
            if [[ $command == decode ]]; then
                _filedir wav
            else
                _filedir mmf
            fi
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        local options
        case $command in
            convert)
                options="--title --copyright --rate --no-save --no-transfer -o --output --output-dir --start
                    --length --fade-in --fade-out --gain --normalize --normalize= --strict -q --quiet -h --help --version"
                ;;
            info) options="--json -h --help --version" ;;
            decode) options="-o --output -q --quiet -h --help --version" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    case $command in
        convert) _filedir ;;
        info | decode) _filedir mmf ;;
    esac
} && complete -F _korvel_cli korvel-cli
