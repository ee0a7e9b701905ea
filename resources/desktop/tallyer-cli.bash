# bash completion for tallyer-cli

_tallyer_cli()
{
    local cur prev words cword
    _init_completion -n = || return

    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "eval sheet print words --help --version" -- "$cur"))
        return
    fi
    local calc="--decimal= --thousands= --no-leading-zero --round= --raw --"
    case ${words[1]} in
    eval)
        COMPREPLY=($(compgen -W "$calc -" -- "$cur"))
        ;;
    sheet)
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$calc -" -- "$cur"))
        else
            _filedir
        fi
        ;;
    print)
        # The output: a PDF, CSV or text file, or - for CSV on standard output.
        if [[ $prev == --output ]]; then
            _filedir '@(pdf|csv|txt)'
        elif [[ $cur == --output=* ]]; then
            cur=${cur#--output=}
            _filedir '@(pdf|csv|txt)'
        elif [[ $prev == --paper ]]; then
            COMPREPLY=($(compgen -W "a4 letter legal a5" -- "$cur"))
        elif [[ $cur == --paper=* ]]; then
            cur=${cur#--paper=}
            COMPREPLY=($(compgen -W "a4 letter legal a5" -- "$cur"))
        elif [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "${calc/--raw /} --output= --output --paper= -" -- "$cur"))
        else
            _filedir
        fi
        ;;
    words)
        if [[ $cur == --file=* ]]; then
            # The bare name of a words file in the user's or the installed data folders, or a path.
            cur=${cur#--file=}
            local IFS=$'\n' dir f names=()
            for dir in "${XDG_DATA_HOME:-$HOME/.local/share}" \
                       $(tr ':' '\n' <<<"${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"); do
                for f in "$dir"/tallyer/InWords*.txt; do
                    [[ -f $f ]] && names+=("${f##*/}")
                done
            done
            compopt -o filenames
            COMPREPLY=($(compgen -W "${names[*]}" -- "$cur") $(compgen -f -- "$cur"))
        else
            COMPREPLY=($(compgen -W "--file= --" -- "$cur"))
        fi
        ;;
    esac
    [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
}
complete -F _tallyer_cli tallyer-cli
