#!/bin/sh
# Runs a compiler built with profile counters over the scripts of the test
# corpus and the examples, so that the real build can lay out its code for
# what compiling actually does. Errors in the scripts are expected (most
# cases test a diagnostic); only a compiler that cannot run fails this.
#
#   tools/train-profile.sh ORVELC
set -eu
orvelc=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$orvelc" -w- examples/guard.oc "$out/probe.obj" >/dev/null
n=0
for script in examples/*.oc $(find tests/data/cases -name '*.oc' | sort); do
    n=$((n + 1))
    (cd "$(dirname "$script")" && "$orvelc" -w- "$(basename "$script")" "$out/$n.obj" >/dev/null 2>&1) || true
done
echo "profile: trained on $n scripts"
