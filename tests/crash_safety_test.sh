#!/usr/bin/env bash
# Kills q836-batch with SIGKILL at random moments while it writes a large
# output, and checks each time that the exchange file is either the
# untouched input or the complete, correct output.
#   crash_safety_test.sh Q836_BATCH MAKE_DRAWING [KILLS]
set -u
batch=$1
make_drawing=$2
kills=${3:-50}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$make_drawing" 300000 5 > "$work/input.txt"
cp "$work/input.txt" "$work/expected.txt"
start=$(date +%s%N)
"$batch" --radius 0.1 "$work/expected.txt" 2>/dev/null || { echo "FAIL: the reference run failed"; exit 1; }
run_ns=$(( $(date +%s%N) - start ))
failures=0 untouched=0 complete=0
for i in $(seq 1 "$kills"); do
  cp "$work/input.txt" "$work/JWC_TEMP.TXT"
  rm -f "$work"/JWC_TEMP.TXT.*.q836-new  # what a killed run leaves is its own, not the next run's
  "$batch" --radius 0.1 "$work/JWC_TEMP.TXT" 2>/dev/null &
  pid=$!
  # A moment anywhere in the run, the write at its end included.
  delay_ns=$(( (RANDOM * 32768 + RANDOM) % (run_ns + run_ns / 5) ))
  sleep "$(awk -v n="$delay_ns" 'BEGIN { printf "%.6f", n / 1e9 }')"
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if cmp -s "$work/JWC_TEMP.TXT" "$work/input.txt"; then
    untouched=$((untouched + 1))
  elif cmp -s "$work/JWC_TEMP.TXT" "$work/expected.txt"; then
    complete=$((complete + 1))
  else
    echo "FAIL: kill $i after ${delay_ns} ns left a file that is neither input nor output"
    failures=$((failures + 1))
  fi
done
echo "crash safety: $kills kills survived as $untouched untouched inputs and $complete complete outputs, $failures failures (a run takes $((run_ns / 1000000)) ms)"
exit $((failures > 0))
