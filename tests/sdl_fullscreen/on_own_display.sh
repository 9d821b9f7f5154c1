#!/usr/bin/env bash
# on_own_display.sh WxH COMMAND...: runs the command on a virtual X display of its
# own with one screen of W x H, and stops the display afterwards. The X server
# picks a free display number itself and reports it when it is ready, so that
# several of these can start at once; it does not reset when its last client
# goes, which would refuse the next test's connection for a moment.
set -euo pipefail
size=$1
shift
ready=$(mktemp)
trap 'rm -f "$ready"' EXIT
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$ready" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$ready"' EXIT
for _ in $(seq 300); do
  if [ -s "$ready" ]; then
    break
  fi
  if ! kill -0 "$server" 2>/dev/null; then
    echo "on_own_display.sh: the X server did not start" >&2
    exit 1
  fi
  sleep 0.1
done
if [ ! -s "$ready" ]; then
  echo "on_own_display.sh: the X server did not get ready" >&2
  exit 1
fi
DISPLAY=:$(head -n1 "$ready") "$@"
