#!/bin/sh
# strip as Debian's dh_strip calls it for programs: the compiler's version
# notes (.comment, .note) go with the symbols.
exec strip --remove-section=.comment --remove-section=.note "$@"
