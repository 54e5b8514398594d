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
    share/nebu/nebu.html \
    share/doc/nebu/copyright share/doc/nebu/changelog.gz \
    share/man/man1/nebu-cli.1.gz share/man/man1/nebu.1.gz \
    share/applications/nebu.desktop \
    share/metainfo/io.github.nebu.nebu.metainfo.xml \
    share/mime/packages/nebu-settings.xml \
    share/icons/hicolor/scalable/apps/nebu.svg \
    share/icons/hicolor/scalable/mimetypes/application-x-nebu-settings.svg; do
    [ -s "$prefix/$file" ] || fail "$file is not installed"
done
[ -x "$prefix/bin/nebu" ] && [ -x "$prefix/bin/nebu-cli" ] || fail "programs are not executable"

version=$("$prefix/bin/nebu-cli" --version 2>&1) || fail "installed nebu-cli --version: $version"
version=${version#nebu-cli }

# What Debian asks of a package, on the same tree cpack packs.
cpack_value() { sed -n "s/^set($1 \"\(.*\)\")\$/\1/p" "$build/CPackConfig.cmake"; }
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
[ "$(cpack_value CPACK_PACKAGE_VERSION)" = "$version" ] ||
    fail "package version $(cpack_value CPACK_PACKAGE_VERSION) is not nebu-cli's $version"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/io.github.nebu.nebu.metainfo.xml" ||
    fail "the metainfo's release is not $version"
# The about dialog shows the major and minor version only.
grep -aqF "Ver${version%.*}" "$prefix/bin/nebu" ||
    fail "nebu does not carry Ver${version%.*}"
for page in share/man/man1/nebu-cli.1 share/man/man1/nebu.1 share/doc/nebu/changelog; do
    [ -e "$prefix/$page" ] && fail "$page is installed uncompressed"
    # gzip -9n: best compression, and no file name or time stamp in the header.
    header=$(od -An -tx1 -N10 "$prefix/$page.gz" 2>/dev/null | tr -d ' \n')
    case "$header" in
    1f8b08000000000002*) gzip -t "$prefix/$page.gz" || fail "$page.gz is damaged" ;;
    *) fail "$page.gz is not compressed with gzip -9n (header $header)" ;;
    esac
done
head -n 1 "$prefix/share/doc/nebu/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright is not in the machine-readable format"
maintainer=$(cpack_value CPACK_PACKAGE_CONTACT)
case "$maintainer" in
*" <"*@*.*">") ;;
*) fail "maintainer '$maintainer' is not Name <user@host.domain>" ;;
esac
case "$maintainer" in *@localhost*) fail "maintainer '$maintainer' has no real mail host" ;; esac
changelog=$(gzip -dc "$prefix/share/doc/nebu/changelog.gz")
printf '%s\n' "$changelog" | head -n 1 | grep -q "^nebu ($version) " ||
    fail "the changelog does not start with nebu ($version)"
printf '%s\n' "$changelog" | grep -qF -- " -- $maintainer  " ||
    fail "the changelog is not signed by the maintainer $maintainer"
# Linked libraries come from dpkg-shlibdeps; only what is opened by name is listed.
[ "$(cpack_value CPACK_DEBIAN_PACKAGE_SHLIBDEPS)" = ON ] || fail "dpkg-shlibdeps is off"
cpack_value CPACK_DEBIAN_PACKAGE_DEPENDS | grep -Eq '(^|, )libarchive13 \(>= [0-9.]+\)' ||
    fail "libarchive's dependency does not come from its shlibs entry: $(cpack_value CPACK_DEBIAN_PACKAGE_DEPENDS)"
if [ "$(cache_value NEBU_HARDEN)" = ON ] && [ "$(cache_value NEBU_SANITIZE)" != ON ] &&
    [ "$(cache_value CMAKE_BUILD_TYPE)" != Debug ]; then
    for program in nebu nebu-cli; do
        elf="$prefix/bin/$program"
        readelf -hW "$elf" | grep -q 'Type:.*DYN' || fail "$program is not position independent"
        readelf -lW "$elf" | grep -q GNU_RELRO || fail "$program has no RELRO segment"
        readelf -dW "$elf" | grep -Eq 'BIND_NOW|FLAGS.*\bNOW\b' || fail "$program is not bound now"
        symbols=$(readelf -sW --dyn-syms "$elf")
        printf '%s\n' "$symbols" | grep -q __stack_chk_fail || fail "$program has no stack protector"
        printf '%s\n' "$symbols" | grep -Eq '__[a-z]+_chk' || fail "$program uses no fortified function"
    done
fi

desktop="$prefix/share/applications/nebu.desktop"
grep -qx 'Name=Nebu for Win32' "$desktop" || fail "desktop entry Name"
grep -qx 'Categories=Utility;FileTools;' "$desktop" || fail "desktop entry Categories"
grep -q '^Comment=' "$desktop" && grep -q '^Comment\[ja\]=' "$desktop" ||
    fail "desktop entry comments in English and Japanese"
for n in 4 8 9 10 11 54; do
    grep -q "name=\"context-$n\"" "$prefix/share/nebu/nebu.html" || fail "manual lacks context $n"
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
