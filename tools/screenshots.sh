#!/bin/sh
# Pictures of every window under a virtual X display, with the real fonts:
# look at them for missing glyphs and cut texts. `make screenshots` builds
# what this needs first.
set -eu
build=${1:?usage: screenshots.sh BUILD_DIR OUTDIR}
out=${2:?usage: screenshots.sh BUILD_DIR OUTDIR}
# Absolute, since the windows' directory trees change the current folder.
mkdir -p "$out"
out=$(cd "$out" && pwd)
build=$(cd "$build" && pwd)
sample="$build/sample"
settings="$sample/screenshots.neb"
"$build/src/cli/nebu-cli" -q -r -s "$sample/source" -t "$sample/target" --save-settings "$settings" >/dev/null || true
# Its own HOME, so nothing of the user's settings or trash is touched.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x900x24" \
    "$build/tools/screenshots/nebu-screenshots" "$out" "$settings"
