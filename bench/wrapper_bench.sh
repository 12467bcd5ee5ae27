#!/usr/bin/env bash
# Measures lintwrap against running its tool directly, side by side in one run:
#   - start-up overhead: a tool that prints 1 KB and exits, median of many runs;
#   - throughput: a tool that writes 100 MB as fast as it can, against `tool | cat >/dev/null`;
#   - peak memory of that 100 MB run, in bytes per output byte.
# Usage: bench/wrapper_bench.sh [BUILD_DIR]   (default build/default; needs hyperfine and time)
set -euo pipefail
build=${1:-build/default}
lintwrap=$build/wrapper/lintwrap
spew=$build/bench/spew
runs=${RUNS:-30}
size=${SIZE:-100000000}
for tool in hyperfine /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install hyperfine time)" >&2; exit 2; }
done
[ -x "$lintwrap" ] && [ -x "$spew" ] || { echo "build $build first (lintwrap, spew)" >&2; exit 2; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# Settings of the run's own (none: the built-in categories), never the user's.
export QUILLMOREN_REGISTRY=$out/registry.reg
# -i: lintwrap's status is 255 for the warnings the tool writes, which is what it should be.
median() { python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["results"]; print(" ".join(str(x["median"]) for x in r))' "$1"; }

hyperfine -i -N --warmup 5 --runs "$runs" --export-json "$out/small.json" \
    "$spew 1024" "$lintwrap $spew 1024" >/dev/null 2>&1
read -r direct wrapped < <(median "$out/small.json")

hyperfine -i --warmup 2 --runs "$(( runs < 10 ? 10 : runs / 3 ))" --export-json "$out/big.json" \
    "$spew $size | cat > /dev/null" "$lintwrap $spew $size > /dev/null" >/dev/null 2>&1
read -r piped wrappedBig < <(median "$out/big.json")

/usr/bin/time -f '%M' -o "$out/rss" "$lintwrap" "$spew" "$size" > /dev/null || true
rssKb=$(tail -n 1 "$out/rss") # after a line on the status when it is not 0

python3 - "$direct" "$wrapped" "$piped" "$wrappedBig" "$rssKb" "$size" <<'PY'
import sys
direct, wrapped, piped, big, rss_kb, size = map(float, sys.argv[1:])
print(f"1 KB tool:   direct {direct*1000:.2f} ms, lintwrap {wrapped*1000:.2f} ms, "
      f"overhead {(wrapped-direct)*1000:.2f} ms (target <= 5 ms)")
print(f"{size/1e6:.0f} MB tool: tool|cat {piped*1000:.0f} ms, lintwrap {big*1000:.0f} ms, "
      f"ratio {big/piped:.2f} (target <= 1.5)")
limit = 8 * size + 32 * 2**20
print(f"peak memory: {rss_kb/1024:.0f} MiB = {rss_kb*1024/size:.2f} bytes per output byte "
      f"(limit {limit/2**20:.0f} MiB: 8 B/byte + 32 MiB)")
PY
