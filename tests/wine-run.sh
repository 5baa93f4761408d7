#!/usr/bin/env bash
# Runs one Windows test executable under Wine, in a scratch folder of its own, with the
# environment that ./mrq sets up (prefix, display, persistent server).
set -eu
exe="$1"; shift
name="$(basename "$exe" .exe)"
work="$(dirname "$exe")/../test-work/$name"
rm -rf "$work"; mkdir -p "$work"
cd "$work"
exec /usr/lib/wine/wine64 "$exe" "$@" 2> >(grep -v -e ALSA -e '^$' >&2)
