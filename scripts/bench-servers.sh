# Sourced by the whole-program benchmarks: a scratch folder $w (removed on
# exit), the local quote server and back end started from $bin, and, when
# $bench_main names one, the program's environment signed in by
# DemoLogin.qml and then driven by app/e2e/$bench_main. Stop the servers with
# bench_servers_stop.
# TARVOLIN_MARKET=real serves the real-sized market (about 5,300 stocks and
# 500 boards) instead of the small one; ranked pages are pushed as prices move.
w=$(mktemp -d)
trap 'rm -rf "$w"' EXIT
mkdir -p "$w/data" "$w/home/.local/share"
market=${TARVOLIN_MARKET:-small}

# Each server reads its standard input from a pipe held open here (closing
# it stops the server), prints its port and then a line per event: into a
# file, as a pipe nobody reads would fill and stop it in the middle of a run.
# bench_port NAME PID prints the port line of $w/NAME.out once it is there.
bench_port() {
  until [ "$(wc -l <"$w/$1.out")" -ge 1 ]; do
    kill -0 "$2" 2>/dev/null || { echo "bench: $1 ended before it listened: $(cat "$w/$1.err")" >&2; exit 1; }
    sleep 0.02
  done
  head -n 1 "$w/$1.out"
}
: >"$w/qs.out"
exec {qs_in}> >(exec "$bin/quoteserver" 0 --market "$market" --push-pages --write-files "$w/data" >"$w/qs.out" 2>"$w/qs.err")
QS_PID=$!
qport=$(bench_port qs "$QS_PID") || exit 1
: >"$w/be.out"
exec {be_in}> >(exec "$bin/backend" 0 --market "$market" \
  --quote-url "tcp://127.0.0.1:$qport/?auto_delay=1000&encrypt_key=varnoquel" >"$w/be.out" 2>"$w/be.err")
BE_PID=$!
bport=$(bench_port be "$BE_PID") || exit 1
export TARVOLIN_CONTROL_URL=http://127.0.0.1:$bport/
export HOME=$w/home XDG_DATA_HOME=$w/home/.local/share QTWEBENGINE_DISABLE_SANDBOX=1
if [ -n "${bench_main:-}" ]; then
  export TARVOLIN_TEST_INPUT=1
  export TARVOLIN_TEST_LOGIN_QML=$root/app/e2e/DemoLogin.qml TARVOLIN_TEST_MAIN_QML=$root/app/e2e/$bench_main
fi

bench_servers_stop() {
  exec {qs_in}>&- {be_in}>&-
  kill "$QS_PID" "$BE_PID" 2>/dev/null
  wait 2>/dev/null
}
