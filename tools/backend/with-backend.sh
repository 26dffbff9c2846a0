#!/usr/bin/env bash
# with-backend.sh BACKEND COMMAND [ARGS...]
# Starts the local back end on a free loopback port, runs COMMAND with
# TARVOLIN_CONTROL_URL=http://127.0.0.1:<port>/, then stops the back end
# ("quit" on its standard input) and exits with COMMAND's status.
set -u
backend=$1
shift
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkfifo "$dir/in"
"$backend" 0 <"$dir/in" >"$dir/out" &
pid=$!
exec 3>"$dir/in"
port=
for _ in $(seq 200); do
  port=$(head -n 1 "$dir/out")
  [ -n "$port" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$port" ]; then
  echo "with-backend: the back end did not start" >&2
  exit 1
fi
TARVOLIN_CONTROL_URL="http://127.0.0.1:$port/" "$@"
status=$?
echo quit >&3
exec 3>&-
wait "$pid"
exit $status
