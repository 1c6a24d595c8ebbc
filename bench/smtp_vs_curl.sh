#!/bin/sh
# Times the SMTP client and curl against the same standalone loopback sink in one run and
# prints MB/s (10^6 bytes per second) for each body size and the client's ratio to curl: in
# clear text, and over STARTTLS with the certificate checked (curl --ssl-reqd --cacert).
#
#   bench/smtp_vs_curl.sh [BUILD_DIR]      (default: build-smtp beside this folder)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-smtp}
bench=$build/bench/bench_smtp
python=/usr/bin/python3
runs=20
[ -x "$bench" ] || { echo "no $bench; build the bench_smtp target first" >&2; exit 1; }
command -v curl >/dev/null || { echo "curl is not installed" >&2; exit 1; }

work=$(mktemp -d)
sink_pid=
cleanup() {
    [ -n "$sink_pid" ] && kill "$sink_pid" 2>/dev/null && wait "$sink_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

"$bench" --sink 0 "$work" >"$work/port" &
sink_pid=$!
for _ in $(seq 50); do grep -q '^CA' "$work/port" 2>/dev/null && break; sleep 0.1; done
port=$(awk '$1 == "PORT" {print $2}' "$work/port")
tls_port=$(awk '$1 == "TLSPORT" {print $2}' "$work/port")
ca=$(awk '$1 == "CA" {print $2}' "$work/port")
[ -n "$port" ] && [ -n "$ca" ] || { echo "the sink did not start" >&2; exit 1; }

TALLYMINDER_SMTP_SINK_PORT=$port TALLYMINDER_SMTP_SINK_TLS_PORT=$tls_port \
TALLYMINDER_SMTP_SINK_CA=$ca "$bench" --benchmark_min_time=0.5 --benchmark_format=json \
    >"$work/bench.json" 2>/dev/null

# The same bodies for curl: table-file lines of about 100 characters with CR LF ends.
$python - "$work" <<'PY'
import sys
for size in (1000, 1000 * 1000, 10 * 1000 * 1000):
    out, i = bytearray(), 0
    while len(out) < size:
        line = (f"04{10000000 + i}^Customer {i}^05/03/2002^10:30:00^"
                "Your appointment is tomorrow at 10:30^3^").encode()
        out += line[:max(0, size - len(out) - 2)] + b"\r\n"
        i += 1
    open(f"{sys.argv[1]}/body{size}", "wb").write(out)
PY

time_curl() { # MODE SIZE: total seconds of $runs uploads
    total=0
    for _ in $(seq $runs); do
        if [ "$1" = tls ]; then
            t=$(curl -s -S -o /dev/null -w '%{time_total}' "smtp://localhost:$tls_port" \
                --ssl-reqd --cacert "$ca" --mail-from office@shop.example \
                --mail-rcpt gateway@sms.example --upload-file "$work/body$2")
        else
            t=$(curl -s -S -o /dev/null -w '%{time_total}' "smtp://127.0.0.1:$port" \
                --mail-from office@shop.example --mail-rcpt gateway@sms.example \
                --upload-file "$work/body$2")
        fi
        total=$($python -c "print($total + $t)")
    done
    echo "$1 $2 $total" >>"$work/curl"
}
for size in 1000 1000000 10000000; do time_curl clear $size; done
for size in 1000000 10000000; do time_curl tls $size; done

$python - "$work" $runs <<'PY'
import json, sys
work, runs = sys.argv[1], int(sys.argv[2])
ours = {}
for b in json.load(open(f"{work}/bench.json"))["benchmarks"]:
    name, size = b["name"].split("/")[:2]
    mode = "tls" if name.endswith("StartTls") else "clear"
    ours[(mode, int(size))] = b["bytes_per_second"] / 1e6
print(f"{'mode':>6} {'body':>10} {'client MB/s':>12} {'curl MB/s':>10} {'ratio':>6}")
for line in open(f"{work}/curl"):
    mode, size, seconds = line.split()
    size, seconds = int(size), float(seconds)
    curl = size * runs / seconds / 1e6
    mine = ours[(mode, size)]
    print(f"{mode:>6} {size:>10} {mine:>12.1f} {curl:>10.1f} {mine / curl:>6.2f}")
PY
