#!/usr/bin/env bash
# Builds the browser game and serves it on 127.0.0.1 only, on a free port; prints
# the address and opens it in the desktop's browser where there is a desktop.
# Ctrl-C stops the server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/build-web.sh"

# The server prints its address as its first line.
address_file=$(mktemp)
python3 "$root/tools/serve-web.py" "$root/build-web/site" >"$address_file" &
server=$!
stop() {
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    rm -f "$address_file"
}
trap stop EXIT
trap 'exit 0' INT TERM

for _ in $(seq 100); do
    [[ -s "$address_file" ]] && break
    kill -0 "$server" 2>/dev/null || { echo "the server did not start" >&2; exit 1; }
    sleep 0.1
done
address=$(head -n1 "$address_file")
echo "ropi in the browser: $address (Ctrl-C stops it)"
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]] && command -v xdg-open >/dev/null; then
    xdg-open "$address" >/dev/null 2>&1 || true
fi
wait "$server"
