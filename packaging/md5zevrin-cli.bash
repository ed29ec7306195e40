# bash completion for md5zevrin-cli                        -*- shell-script -*-

_md5zevrin_cli() {
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        --field)
            COMPREPLY=($(compgen -W 'ShownInput ConvertedText ConvertedLength
                RemainingCount Hex16Lower Hex16Upper Hex32Lower Hex32Upper' -- "$cur"))
            return
            ;;
    esac
    $split && return

    # Texts are free; only options are offered, and none after "--".
    local word
    for word in "${words[@]:1:cword-1}"; do
        [[ $word == -- ]] && return
    done
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--json --field --help --version -h -v' -- "$cur"))
    fi
} &&
    complete -F _md5zevrin_cli md5zevrin-cli
