#!/usr/bin/env bash
# SIGTERM to the real program ends it the normal way: the window closes and the settings are saved
# beside the program. Usage: sigterm_test.sh <built program>
set -euo pipefail
source "$(dirname "$0")/orderly_exit.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/home"
cp "$1" "$work/ZURBatchProcess"
# A setting of an earlier run: the save at the end must keep it and add the others.
printf '[default]\r\nEdtEXT=txt,md\r\n' > "$work/defualt.ini"

HOME="$work/home" run_and_terminate "$work" "$work/ZURBatchProcess"
grep -q '^EdtEXT=txt,md' "$work/defualt.ini" || fail "the loaded extension list was not saved back"
grep -q '^RECPath=' "$work/defualt.ini" || fail "the source folder was not saved"
echo "sigterm_test: passed"
