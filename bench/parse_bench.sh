#!/usr/bin/env bash
# Measures lintwrap reading a large PC-lint text output into issues, side by side with grep
# counting the message lines of the same file:
#   - lintwrap running a tool that writes the file (cat), against grep -c over it;
#   - lintwrap's peak memory in bytes per output byte;
#   - the parse rate.
# Usage: bench/parse_bench.sh [BUILD_DIR]   (default build/default; needs hyperfine and time)
set -euo pipefail
build=${1:-build/default}
lintwrap=$build/wrapper/lintwrap
size=${SIZE:-100000000}
runs=${RUNS:-10}
here=$(dirname "$0")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export QUILLMOREN_REGISTRY=$out/registry.reg
python3 "$here/gen_lint_output.py" "$size" "$out/lint.txt"

# grep's count goes to a file: GNU grep stops at the first match when its output is /dev/null,
# where hyperfine sends it. -i: lintwrap's status follows the findings.
hyperfine -i --warmup 1 --runs "$runs" --export-json "$out/parse.json" \
    "grep -c 'Warning\|Error\|Info\|Note' $out/lint.txt > $out/count" \
    "$lintwrap /bin/cat $out/lint.txt > /dev/null" >/dev/null 2>&1
read -r grep wrapped < <(python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["results"]; print(" ".join(str(x["median"]) for x in r))' "$out/parse.json")
/usr/bin/time -f '%M' -o "$out/rss" "$lintwrap" /bin/cat "$out/lint.txt" > /dev/null || true
rssKb=$(cat "$out/rss" | tail -n 1)
python3 - "$grep" "$wrapped" "$rssKb" "$size" <<'PY'
import sys
grep, wrapped, rss_kb, size = map(float, sys.argv[1:])
print(f"{size/1e6:.0f} MB lint output: grep -c {grep*1000:.0f} ms, lintwrap {wrapped*1000:.0f} ms, "
      f"ratio {wrapped/grep:.2f} (target <= 8)")
print(f"parse rate: {size/1e6/wrapped:.0f} MB/s through the whole wrapper")
print(f"peak memory: {rss_kb/1024:.0f} MiB = {rss_kb*1024/size:.2f} bytes per output byte "
      f"(target < 16)")
PY
