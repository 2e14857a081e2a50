#!/usr/bin/env bash
# Runs each fuzz target SECONDS long (default 600), one after the other, on a copy of its
# checked-in corpus, and says for each how often it ran, how much of the code it reached and
# whether it found anything. Exits non-zero when something was found.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$KEST_ROOT"

seconds="${1:-600}"
ensure_packages
build_preset fuzz

work=build/fuzz/fuzzing
findings="$work/findings"
rm -rf "$work"
mkdir -p "$findings"
log "inputs that break a target are written to $findings"

found=0
for corpus in tests/fuzz/corpus/*/; do
    target=$(basename "$corpus")
    cp -r "$corpus" "$work/$target"
    log "fuzzing $target for ${seconds}s"
    # One input that takes a minute is a finding too (a timeout file).
    nice -n 10 "build/fuzz/tests/fuzz/$target" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
        -artifact_prefix="$findings/$target-" "$work/$target" >"$work/$target.log" 2>&1 || true
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$work/$target.log" | tail -n 1 || true)
    artifacts=$(find "$findings" -name "$target-*" | sort)
    if [ -n "$artifacts" ]; then
        found=1
        result="FOUND: $(echo $artifacts)"$'\n'"    $(grep -m 1 -E '^SUMMARY|runtime error|broken promise' "$work/$target.log" || true)"
    else
        result="nothing found"
    fi
    printf '%-18s %10s executions  %-22s %s\n' "$target" "${executions:-?}" "${coverage:-cov: ?}" "$result"
done
echo "logs and the grown corpora: $work"
exit "$found"
