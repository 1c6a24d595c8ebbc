#!/bin/sh
# Times the SMTP client and curl against the same standalone loopback sink in one run and
# prints MB/s (10^6 bytes per second) for each body size and the client's ratio to curl.
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

"$bench" --sink 0 >"$work/port" &
sink_pid=$!
for _ in $(seq 50); do grep -q PORT "$work/port" 2>/dev/null && break; sleep 0.1; done
port=$(awk '/PORT/ {print $2}' "$work/port")
[ -n "$port" ] || { echo "the sink did not start" >&2; exit 1; }

TALLYMINDER_SMTP_SINK_PORT=$port "$bench" --benchmark_format=json >"$work/bench.json" 2>/dev/null

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

for size in 1000 1000000 10000000; do
    total=0
    for _ in $(seq $runs); do
        t=$(curl -s -S -o /dev/null -w '%{time_total}' "smtp://127.0.0.1:$port" \
            --mail-from office@shop.example --mail-rcpt gateway@sms.example \
            --upload-file "$work/body$size")
        total=$($python -c "print($total + $t)")
    done
    echo "$size $total" >>"$work/curl"
done

$python - "$work" $runs <<'PY'
import json, sys
work, runs = sys.argv[1], int(sys.argv[2])
ours = {}
for b in json.load(open(f"{work}/bench.json"))["benchmarks"]:
    ours[int(b["name"].split("/")[1])] = b["bytes_per_second"] / 1e6
print(f"{'body':>10} {'client MB/s':>12} {'curl MB/s':>10} {'ratio':>6}")
for line in open(f"{work}/curl"):
    size, seconds = line.split()
    size, seconds = int(size), float(seconds)
    curl = size * runs / seconds / 1e6
    print(f"{size:>10} {ours[size]:>12.1f} {curl:>10.1f} {ours[size] / curl:>6.2f}")
PY
