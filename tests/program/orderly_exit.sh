# Shared by the program tests: starts the program headless, waits until its window is being built,
# asks it to end with SIGTERM the way a desktop logout does, and checks it ended normally and wrote
# its settings.
# Usage: run_and_terminate <settings folder> <command...>

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

run_and_terminate() {
  local settings=$1
  shift
  QT_QPA_PLATFORM=offscreen "$@" &
  local pid=$!
  # "update.txt" is written while the window is built, after the signal handlers are in place.
  local waited=0
  until [[ -e "$settings/update.txt" ]]; do
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its window stood"
    ((waited++ < 600)) || { kill -KILL "$pid"; fail "the program wrote no update.txt in $settings"; }
    sleep 0.1
  done
  kill -TERM "$pid"
  waited=0
  while kill -0 "$pid" 2>/dev/null; do
    ((waited++ < 300)) || { kill -KILL "$pid"; fail "the program did not end after SIGTERM"; }
    sleep 0.1
  done
  local rc=0
  wait "$pid" || rc=$?
  ((rc == 0)) || fail "the program ended with status $rc after SIGTERM (143 means killed by the signal)"
  local name
  for name in defualt.ini KeyText1.txt KeyText2.txt KeyText3.txt ReplaceText1.txt ReplaceText2.txt \
              ReplaceText3.txt SearchKey.txt MmSearchReplace.txt; do
    [[ -f "$settings/$name" ]] || fail "$name was not written in $settings"
  done
  grep -q '^curListIndex=' "$settings/defualt.ini" || fail "defualt.ini holds no saved values"
}
