# Sourced by the screenshot scripts. shot_in LANGUAGE PROGRAM ARGS... runs a screenshot
# program of build/bin in a fresh scratch folder (data files, configuration, state and
# runtime folders of its own) on an Xvfb display, with the locale LANGUAGE.UTF-8.
shot_scratch=$(mktemp -d)
trap 'rm -rf "$shot_scratch"' EXIT
mkdir -p docs/en

shot_in() {
    local language=$1 program=$2
    shift 2
    rm -rf "${shot_scratch:?}"/*
    mkdir -m 700 "$shot_scratch/run"
    (cd "$shot_scratch" &&
        env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG="$language.UTF-8" \
        XDG_CONFIG_HOME="$shot_scratch/config" XDG_STATE_HOME="$shot_scratch/state" \
        XDG_RUNTIME_DIR="$shot_scratch/run" QT_QPA_PLATFORM=xcb \
        xvfb-run -a -s "-screen 0 640x480x24" "$OLDPWD/build/bin/$program" "$@")
}

# The folder for a language's pictures: docs/ for Chinese, docs/en/ for English.
shot_folder() {
    if [ "$1" = en_US ]; then echo docs/en; else echo docs; fi
}
