#!/usr/bin/env bash
# check_layering.sh BUILD_DIR CONTROL_TARGET... PROBE:HEADER...
# Every control target must build; every probe must fail, because its header is not found.
set -uo pipefail
build_dir=$1
shift

while [[ $# -gt 0 && $1 != *:* ]]; do
    if ! output=$(cmake --build "$build_dir" --target "$1" 2>&1); then
        echo "the control probe $1 does not build, so the probes prove nothing:" >&2
        echo "$output" >&2
        exit 1
    fi
    shift
done

status=0
for probe in "$@"; do
    target=${probe%%:*}
    header=${probe#*:}
    if output=$(cmake --build "$build_dir" --target "$target" 2>&1); then
        echo "FAIL $target: an upward include of $header built" >&2
        status=1
    elif ! grep -q "$header: No such file or directory" <<<"$output"; then
        echo "FAIL $target: it failed to build, but not for want of $header:" >&2
        echo "$output" >&2
        status=1
    else
        echo "ok   $target: $header is out of reach"
    fi
done
exit $status
