# bash completion for zendra-cli

# Movies and folders (to walk into); one reply per line, so names may hold spaces.
_zendra_cli_movies()
{
    mapfile -t COMPREPLY < <(compgen -f -X '!*.@(avi|AVI)' -- "$1"; compgen -d -- "$1")
}

_zendra_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD-1]}

    if [[ $COMP_CWORD -eq 1 ]]; then
        mapfile -t COMPREPLY < <(compgen -W 'info split join clip compare verify --help --version' -- "$cur")
        return
    fi
    local command=${COMP_WORDS[1]}

    case $prev in
        -m|--mode)
            mapfile -t COMPREPLY < <(compgen -W 'optimal median smallest custom' -- "$cur")
            return ;;
        -n|--parts|-b|--basename|--start|--end|--max-size)
            return ;;
        --source)
            _zendra_cli_movies "$cur"
            return ;;
        -o|--output)
            if [[ $command == split ]]; then
                mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            else
                _zendra_cli_movies "$cur"
            fi
            return ;;
    esac

    if [[ $cur == -* ]]; then
        local options
        case $command in
            info) options='--index --json --parts -m --mode -n --max-size' ;;
            split) options='-m --mode -n --parts -o --output -b --basename --max-size -y --yes --verify' ;;
            join) options='-o --output -y --yes --force --verify' ;;
            clip) options='--start --end -o --output -y --yes --verify' ;;
            verify) options='--source' ;;
            compare) options='-y --yes' ;;
        esac
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    elif [[ $command == compare ]]; then
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    else
        _zendra_cli_movies "$cur"
    fi
}

complete -o filenames -F _zendra_cli zendra-cli
