#!/usr/bin/env bash
# Runs one Windows test executable under Wine, in a scratch folder of its own, with the
# environment that ./mrq sets up (prefix, display, persistent server).
# Output goes through files: a Wine helper process that inherited a pipe would keep the
# test runner waiting for it to close.
set -u
exe="$1"; shift
name="$(basename "$exe" .exe)"
work="$(dirname "$exe")/../test-work/$name"
rm -rf "$work"; mkdir -p "$work"
cd "$work"
/usr/lib/wine/wine64 "$exe" "$@" </dev/null >stdout.txt 2>stderr.txt
rc=$?
cat stdout.txt
grep -v -e ALSA -e '^$' stderr.txt >&2
exit $rc
