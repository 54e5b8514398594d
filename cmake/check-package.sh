#!/bin/sh
# Checks a built .deb the way Debian would take it: lintian finds no error,
# and dpkg-shlibdeps did put the linked libraries into Depends.
# Usage: check-package.sh PACKAGE.deb
set -u
deb=$1
failed=0
depends=$(dpkg-deb -f "$deb" Depends) || exit 1
echo "Depends: $depends"
for library in libc6 libqt6widgets6 libarchive13; do
    printf '%s\n' "$depends" | grep -Eq "(^|, )$library( |,|\$)" ||
        { echo "FAIL: Depends lacks $library (is dpkg-shlibdeps from dpkg-dev installed?)"; failed=1; }
done
echo "lintian $deb:"
# Every tag, explained; errors fail the package.
lintian --info --display-info --pedantic --fail-on error "$deb" || failed=1
[ "$failed" = 0 ] && echo "package accepted"
exit "$failed"
