#!/usr/bin/env bash
# on-display.sh WxHxD COMMAND...: runs COMMAND on a virtual display of its
# own, of that screen size, and ends the display before returning COMMAND's
# exit status. The server picks a free display number itself and says it
# once it accepts clients; it is waited for at the end, so a display number
# is never taken again while its last server is still going away. The server
# does not reset when its last client goes (-noreset): a reset refuses the
# clients that come meanwhile, such as a window started while a look for it
# had just ended.
set -euo pipefail
screen=$1; shift
ready=$(mktemp)
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$ready" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$ready"' EXIT
for _ in $(seq 300); do
  [ -s "$ready" ] && grep -q '^[0-9]*$' "$ready" && break
  kill -0 "$server" 2>/dev/null || { echo "on-display: the virtual display did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$ready" ] || { echo "on-display: the virtual display did not start within 30 s" >&2; exit 1; }
unset XAUTHORITY
set +e
DISPLAY=:$(head -n 1 "$ready") "$@"
status=$?
set -e
exit $status
