# Sourced by the whole-program benchmarks: a scratch folder $w (removed on
# exit), the local quote server and back end started from $bin, and the
# program's environment signed in by DemoLogin.qml and then driven by
# app/e2e/$bench_main. Stop the servers with bench_servers_stop.
# TARVOLIN_MARKET=real serves the real-sized market (about 5,300 stocks and
# 500 boards) instead of the small one; ranked pages are pushed as prices move.
w=$(mktemp -d)
trap 'rm -rf "$w"' EXIT
mkdir -p "$w/data" "$w/home/.local/share"
market=${TARVOLIN_MARKET:-small}
coproc QS { exec "$bin/quoteserver" 0 --market "$market" --push-pages --write-files "$w/data" 2>"$w/qs.err"; }
read -r qport <&"${QS[0]}"
coproc BE { exec "$bin/backend" 0 --market "$market" --quote-url "tcp://127.0.0.1:$qport/?auto_delay=1000&encrypt_key=varnoquel" 2>"$w/be.err"; }
read -r bport <&"${BE[0]}"
export TARVOLIN_CONTROL_URL=http://127.0.0.1:$bport/
export HOME=$w/home XDG_DATA_HOME=$w/home/.local/share QTWEBENGINE_DISABLE_SANDBOX=1
export TARVOLIN_TEST_INPUT=1
export TARVOLIN_TEST_LOGIN_QML=$root/app/e2e/DemoLogin.qml TARVOLIN_TEST_MAIN_QML=$root/app/e2e/$bench_main

bench_servers_stop() {
  kill "$QS_PID" "$BE_PID" 2>/dev/null
  wait 2>/dev/null
}
