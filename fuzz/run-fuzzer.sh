#!/usr/bin/env bash
# Runs one fuzz target over a scratch copy of its kept corpus.
#   run-fuzzer.sh FUZZER KEPT_CORPUS WORK_DIR [libFuzzer options...]
# New inputs go to WORK_DIR/corpus, crashes to WORK_DIR; the kept corpus is
# only read. The last libFuzzer status line (exec count) is printed.
set -u
fuzzer=$1 kept=$2 work=$3; shift 3
mkdir -p "$work/corpus"
"$fuzzer" -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" \
  "$@" "$work/corpus" "$kept" > "$work/log" 2>&1
status=$?
grep -E '^#[0-9]+.*(DONE|pulse)|stat::number_of_executed_units|SUMMARY|ERROR|fuzz_' "$work/log" | tail -8
if [ $status -ne 0 ]; then
  tail -60 "$work/log"
fi
exit $status
