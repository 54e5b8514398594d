#!/bin/sh
# Runs every built fuzz target for FUZZ_SECONDS (default 60) and stops at the
# first finding. Usage: fuzz/run-fuzz.sh BUILD_DIR
# FUZZ_TARGETS="masks settings" runs only those targets.
# New inputs go to BUILD_DIR/corpus/<name>, so the committed seeds stay small;
# a crash, leak or hang is saved under BUILD_DIR/findings/.
set -u
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$build/findings"
summary=""
status=0
for source in "$here"/*_fuzz.cpp; do
    target=$(basename "$source" .cpp)
    name=${target%_fuzz}
    if [ -n "${FUZZ_TARGETS:-}" ]; then
        case " $FUZZ_TARGETS " in *" $name "*) ;; *) continue ;; esac
    fi
    program="$build/fuzz/$target"
    if [ ! -x "$program" ]; then
        echo "fuzz: $program was not built" >&2
        status=1
        break
    fi
    work="$build/corpus/$name"
    mkdir -p "$work" "$here/corpus/$name"
    dict=""
    [ -f "$here/$name.dict" ] && dict="-dict=$here/$name.dict"
    echo "== $target for ${seconds}s"
    log="$build/findings/$target.log"
    # shellcheck disable=SC2086
    "$program" "$work" "$here/corpus/$name" $dict -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
        >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$rc" -eq 0 ]; then
        line="$target: no finding in ${seconds}s (${runs:-?} runs)"
    else
        line="$target: FINDING (exit $rc), see $log"
        tail -n 40 "$log" >&2
    fi
    echo "$line"
    summary="$summary$line
"
    if [ "$rc" -ne 0 ]; then
        status=1
        break
    fi
done
echo "== fuzz results"
printf '%s' "$summary"
exit $status
