# bash completion for lumaprism: the long-option commands and their options.
_lumaprism() {
    local cur prev command word
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands="--convert --analyze --macro --macro-new --macro-show --optimize-site --thumbnails --vectorize --help --version"
    command=""
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case $word in
            --convert|--analyze|--macro|--macro-new|--macro-show|--optimize-site|--thumbnails|--vectorize)
                command=$word; break ;;
        esac
    done
    if [ -z "$command" ]; then
        if [[ $cur == --* ]]; then
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        else
            COMPREPLY=($(compgen -f -- "$cur"))
        fi
        return
    fi
    local options
    case $command in
        --convert)
            case $prev in
                --quantizer) COMPREPLY=($(compgen -W "classic precise" -- "$cur")); return ;;
                --format) COMPREPLY=($(compgen -W "jpeg gif png bmp rle dib tiff tga pcx eps" -- "$cur")); return ;;
                --out-dir) COMPREPLY=($(compgen -d -- "$cur")); return ;;
            esac
            options="--width --height --fit --smart --colors --quantizer --optimize-frames --frame-tolerance
                     --background --quality --format --out-dir --jobs --shard --in-place --quiet --yes --help" ;;
        --analyze) options="--modem --json --yes --help" ;;
        --macro) options="--report --jobs --json --yes --shard --help" ;;
        --macro-new)
            case $prev in
                --resize) COMPREPLY=($(compgen -W "none relative absolute" -- "$cur")); return ;;
                --output-format) COMPREPLY=($(compgen -W "same gif jpeg png" -- "$cur")); return ;;
                --color-count-mode) COMPREPLY=($(compgen -W "relative absolute" -- "$cur")); return ;;
                --transparent-mode) COMPREPLY=($(compgen -W "none keep color" -- "$cur")); return ;;
                --reduction-mode) COMPREPLY=($(compgen -W "auto exposure count" -- "$cur")); return ;;
                --exposure) COMPREPLY=($(compgen -W "low medium high" -- "$cur")); return ;;
                --jpeg-level) COMPREPLY=($(compgen -W "low medium high expert" -- "$cur")); return ;;
            esac
            options="--name --palette --output-dir --resize --width --height --width-percent --height-percent
                     --color-count-mode --colors --output-format --transparent-mode --transparent-color
                     --use-palette --cut-out --make-transparent --cut-out-tolerance --transparent-tolerance
                     --reduction-mode --exposure --update-transparent --jpeg-level --smart-resize --gif-chosen
                     --color-percent --quality --html-levels --add-tags --add-alt --add-width --add-height
                     --resize-images --replace --help" ;;
        --macro-show) options="--json --help" ;;
        --optimize-site)
            options="--levels --no-alt --no-width --no-height --macro --report --mirror-only --json --yes --help" ;;
        --thumbnails) options="--jobs --shard --help" ;;
        --vectorize) options="--output --tolerance --precision --background --no-overlap --help" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -o filenames -F _lumaprism lumaprism
