#!/usr/bin/env bash
# Measures reading a large PC-lint XML output through the results front, side by side with
# `xmllint --noout` parsing the same file, and the reader's peak memory.
# Usage: bench/xml_bench.sh [BUILD_DIR]   (default build/default; needs hyperfine, time, xmllint)
set -euo pipefail
build=${1:-build/default}
reader=$build/bench/read_results
size=${SIZE:-50000000}
runs=${RUNS:-5}
here=$(dirname "$0")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export QUILLMOREN_REGISTRY=$out/registry.reg
python3 "$here/gen_lint_xml.py" "$size" "$out/lint.xml"
"$reader" "$out/lint.xml" >/dev/null # fails loudly if the file does not read

hyperfine --warmup 1 --runs "$runs" --export-json "$out/xml.json" \
    "xmllint --noout $out/lint.xml" "$reader $out/lint.xml" >/dev/null 2>&1
read -r xmllint front < <(python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))["results"]; print(" ".join(str(x["median"]) for x in r))' "$out/xml.json")
/usr/bin/time -f '%M' -o "$out/rss" "$reader" "$out/lint.xml" >/dev/null
rssKb=$(tail -n 1 "$out/rss")
python3 - "$xmllint" "$front" "$rssKb" "$size" <<'PY'
import sys
xmllint, front, rss_kb, size = map(float, sys.argv[1:])
print(f"{size/1e6:.0f} MB PC-lint XML: xmllint --noout {xmllint*1000:.0f} ms, "
      f"results front {front*1000:.0f} ms, ratio {front/xmllint:.2f} (target <= 3)")
print(f"XML read peak memory: {rss_kb/1024:.0f} MiB = {rss_kb*1024/size:.2f} bytes per input byte")
PY
