#!/usr/bin/env bash
# Installs into a temporary prefix, checks what was installed, and runs the installed program the way
# an ordinary user does: the program's folder is not writable, so the settings go to the user's
# configuration folder. Usage: install_test.sh <build folder>
set -euo pipefail
source "$(dirname "$0")/orderly_exit.sh"

build=$1
id=example.zursoft.TextReplace
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/ZURBatchProcess bin/zur-replace share/man/man1/zur-replace.1 share/man/zh_CN/man1/zur-replace.1 \
            share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/doc/zur-text-replace/copyright \
            share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/$id.png; do
  [[ -f "$prefix/$file" ]] || fail "$file was not installed"
done
grep -q 'date="2026-12-08"' "$prefix/share/metainfo/$id.metainfo.xml" || fail "the metainfo's release date is not the version's"
# The command line runs on the core alone: no window library is loaded.
if ldd "$prefix/bin/zur-replace" | grep -q libQt; then fail "zur-replace loads Qt"; fi
# (Read whole first: grep -q stops reading at its match, and the rest of the help would meet a closed pipe.)
help=$("$prefix/bin/zur-replace" --help) || fail "zur-replace --help failed"
grep -q -- '--dry-run' <<<"$help" || fail "zur-replace --help does not list its options"
[[ -x "$prefix/bin/ZURBatchProcess" ]] || fail "the installed program is not executable"
desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "the installed desktop entry is not valid"
grep -qx 'Exec=ZURBatchProcess' "$prefix/share/applications/$id.desktop" || fail "the entry starts another program"

# The user: nobody when the test runs as root (root may write anywhere), else the test's user with
# the program's folder made read-only.
mkdir -p "$work/home" "$work/config"
as_user=()
if [[ $(id -u) -eq 0 ]]; then
  chmod 755 "$work"
  chmod 777 "$work/home" "$work/config"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
  chmod a-w "$prefix/bin"
fi
HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
  run_and_terminate "$work/config/zur-text-replace" "${as_user[@]}" "$prefix/bin/ZURBatchProcess"
[[ ! -e "$prefix/bin/defualt.ini" ]] || fail "settings were written beside the installed program"
echo "install_test: passed"
