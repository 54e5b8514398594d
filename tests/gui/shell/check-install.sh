#!/bin/sh
# Installs the build tree into a temporary prefix and checks that every file
# a desktop needs is in its freedesktop.org place and passes the validators.
# Usage: check-install.sh BUILD_DIR
set -u
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Nothing here may read or write the user's own folders.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" \
    XDG_CACHE_HOME="$tmp/cache" XDG_STATE_HOME="$tmp/state"
mkdir -p "$HOME"
prefix="$tmp/prefix"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 || {
    cat "$tmp/install.log"
    echo "FAIL: cmake --install"
    exit 1
}

for file in \
    bin/nebu bin/nebu-cli \
    share/doc/nebu/nebu.html \
    share/man/man1/nebu-cli.1 \
    share/applications/nebu.desktop \
    share/metainfo/io.github.nebu.nebu.metainfo.xml \
    share/mime/packages/nebu-settings.xml \
    share/icons/hicolor/scalable/apps/nebu.svg \
    share/icons/hicolor/scalable/mimetypes/application-x-nebu-settings.svg; do
    [ -s "$prefix/$file" ] || fail "$file is not installed"
done
[ -x "$prefix/bin/nebu" ] && [ -x "$prefix/bin/nebu-cli" ] || fail "programs are not executable"

version=$("$prefix/bin/nebu-cli" --version 2>&1) || fail "installed nebu-cli --version: $version"

desktop="$prefix/share/applications/nebu.desktop"
grep -qx 'Name=Nebu for Win32' "$desktop" || fail "desktop entry Name"
grep -qx 'Categories=Utility;FileTools;' "$desktop" || fail "desktop entry Categories"
grep -q '^Comment=' "$desktop" && grep -q '^Comment\[ja\]=' "$desktop" ||
    fail "desktop entry comments in English and Japanese"
for n in 4 8 9 10 11 54; do
    grep -q "name=\"context-$n\"" "$prefix/share/doc/nebu/nebu.html" || fail "manual lacks context $n"
done

missing=""
command -v desktop-file-validate >/dev/null || missing="$missing desktop-file-validate(desktop-file-utils)"
command -v appstreamcli >/dev/null || missing="$missing appstreamcli(appstream)"
command -v update-mime-database >/dev/null || missing="$missing update-mime-database(shared-mime-info)"
if [ -n "$missing" ]; then
    [ "$failed" = 0 ] || exit 1
    echo "SKIP: the files are installed, but these validators are missing:$missing; 'make deps' installs them"
    exit 77
fi

desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/io.github.nebu.nebu.metainfo.xml" ||
    fail "appstreamcli validate"
XDG_DATA_DIRS="$prefix/share:/usr/share" update-mime-database "$prefix/share/mime" || fail "update-mime-database"
grep -q 'application/x-nebu-settings:\*\.neb' "$prefix/share/mime/globs" ||
    fail "the MIME database does not map *.neb to application/x-nebu-settings"

[ "$failed" = 0 ] && echo "installed tree complete and valid"
exit "$failed"
