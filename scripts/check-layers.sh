#!/usr/bin/env bash
# Checks that the source folders are layers: the core (src/core) includes no Qt and nothing of the
# window (src/window) or the command line (src/cli), the command line nothing of Qt or the window,
# and no folder depends on another that depends on it in turn. Prints what breaks a rule and fails;
# run by `make test`.
set -uo pipefail
src="${1:-$(dirname "$0")/../src}"
cd "$src" || exit 2
status=0

# Core files: only the standard library, the system's C interfaces and other core headers.
bad=$(grep -rnE '^\s*#\s*include\s*(<Q|<qt|"window/)' core || true)
if [[ -n "$bad" ]]; then
  echo "The core includes Qt or window headers:"
  echo "$bad"
  status=1
fi
bad=$(grep -rnE '^\s*#\s*include\s*"' core | grep -vE '#\s*include\s*"core/' || true)
if [[ -n "$bad" ]]; then
  echo "The core includes headers from outside src/core:"
  echo "$bad"
  status=1
fi

# The command line: the core and its own files, never Qt or the window.
bad=$(grep -rnE '^\s*#\s*include\s*(<Q|<qt|"window/)' cli || true)
if [[ -n "$bad" ]]; then
  echo "The command line includes Qt or window headers:"
  echo "$bad"
  status=1
fi

# Folder dependencies, one "from to" pair per include between two folders; tsort finds any loop.
pairs=$(grep -rHoE '^\s*#\s*include\s*"[^"]+/[^"/]+"' core window cli | while IFS=: read -r file include; do
  target=${include#*\"}
  target=${target%\"}
  from=$(dirname "$file")
  to=$(dirname "$target")
  [[ "$from" != "$to" ]] && echo "$from $to"
done | sort -u)
if ! loops=$(echo "$pairs" | tsort 2>&1 >/dev/null) || [[ -n "$loops" ]]; then
  echo "Folders depend on each other in a loop:"
  echo "$loops"
  status=1
fi
exit $status
