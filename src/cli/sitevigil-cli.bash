# bash completion for sitevigil-cli

_sitevigil_cli_pages()
{
    # The ids of the watched pages: the last field of each line of the piped list.
    local config=()
    [[ -n $1 ]] && config=(--config-dir "$1")
    sitevigil-cli "${config[@]}" list 2>/dev/null | awk -F '\t' '$NF != "-" { print $NF }'
}

_sitevigil_cli()
{
    local cur prev words cword
    _init_completion 2>/dev/null || {
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    }

    local commands="list show add edit remove check clear diff history purge preview log import-bookmarks import-favorites
        import-firefox import-chromium import-list config daemon test-email channels outbox help"
    local i command="" configdir=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --config-dir) configdir=${words[i + 1]}; ((i++)) ;;
            --config-dir=*) configdir=${words[i]#--config-dir=} ;;
            -*) ;;
            *) command=${words[i]}; break ;;
        esac
    done

    if [[ -z $command ]]; then
        if [[ $prev == --config-dir ]]; then
            COMPREPLY=($(compgen -d -- "$cur"))
        elif [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--config-dir --help --version" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    case $prev in
        --watch)
            COMPREPLY=($(compgen -W "content date unreachable reachable size text notext" -- "$cur"))
            return ;;
        --events)
            COMPREPLY=($(compgen -W "changes failures changes,failures" -- "$cur"))
            return ;;
        --every)
            COMPREPLY=($(compgen -W "15m 1h 6h 1d 7d global" -- "$cur"))
            return ;;
        --name | --search | --start | --end | --url | --from | --to)
            return ;;
    esac

    local options=""
    case $command in
        list) options="--json" ;;
        add) options="--name --watch --search --start --end --no-save --render --render-wait --compare --select --xpath --ignore --ignore-re --no-ignore --trigger --announce --every" ;;
        edit) options="--name --url --watch --search --start --end --save --no-save --render --no-render --render-wait --compare --select --xpath --ignore --ignore-re --no-ignore --trigger --announce --every" ;;
        check) options="--diff" ;;
        diff) options="--text --words --from --to" ;;
        history) options="--json" ;;
        preview) options="--compare --select --xpath --ignore --ignore-re --render --render-wait" ;;
        log) options="--html --clear" ;;
        channels)
            if ((cword == i + 1)); then
                COMPREPLY=($(compgen -W "add list remove test" -- "$cur"))
                return
            elif [[ ${words[i + 1]} == remove || ${words[i + 1]} == test ]]; then
                # The channels' names: the first field of each line of the piped list.
                local IFS=$'\n'
                COMPREPLY=($(compgen -W "$(sitevigil-cli ${configdir:+--config-dir "$configdir"} channels list \
                    2>/dev/null | awk -F '\t' 'NF > 1 { print $1 }')" -- "$cur"))
                return
            fi
            options="--name --events" ;;
        outbox)
            if ((cword == i + 1)) && [[ $cur != -* ]]; then
                COMPREPLY=($(compgen -W "retry" -- "$cur"))
                return
            fi
            options="--json" ;;
        help)
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            return ;;
        config)
            if ((cword == i + 1)); then
                COMPREPLY=($(compgen -W "list get set" -- "$cur"))
            elif ((cword == i + 2)) && [[ $prev == get || $prev == set ]]; then
                COMPREPLY=($(compgen -W "$(sitevigil-cli ${configdir:+--config-dir "$configdir"} config list 2>/dev/null |
                    sed -e 's/[= ].*//')" -- "$cur"))
            fi
            return ;;
        import-bookmarks | import-list)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        import-favorites)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        import-firefox | import-chromium)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--folder --help" -- "$cur"))
            elif [[ $prev != --folder ]]; then
                COMPREPLY=($(compgen -d -- "$cur"))
            fi
            return ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    case $command in
        show | edit | remove | check | clear | diff | history)
            COMPREPLY=($(compgen -W "$(_sitevigil_cli_pages "$configdir")" -- "$cur")) ;;
    esac
}

complete -F _sitevigil_cli sitevigil-cli
