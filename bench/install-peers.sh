#!/bin/sh
# Installs the duplicate finders NEBU is measured against, bsdtar (the
# yardstick for reading one big archive), GNU time (peak memory) and
# Python 3 (the harness), from Debian's packages, only those that are missing.
set -eu
missing=""
for p in jdupes fdupes rdfind rmlint libarchive-tools time python3; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
# Without recommends: rmlint would bring its GTK front end along.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
