#!/usr/bin/env bash
# run-local.sh [BIN_DIR]
# Everything the program talks to, on 127.0.0.1: the quote server on port 7709
# and the back end on port 7710 (the program's default control endpoint), the
# back end handing out the quote server's address. Runs until "quit" or the
# end of standard input; the quote server stops with it.
set -u
bin=${1:-$(dirname "$0")/../../build/bin}
exec 3> >(exec "$bin/quoteserver" 7709 >/dev/null)
"$bin/backend" 7710 --quote-url "tcp://127.0.0.1:7709/?auto_delay=1000&encrypt_key=varnoquel"
status=$?
exec 3>&-
exit $status
