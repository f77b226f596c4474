#!/usr/bin/env bash
# Runs q836-batch on a 1 000 000-entity drawing under address-space limits
# from too small to load to large enough: every run either converts exactly
# or ends with exit 1, the out-of-memory message and the file untouched or
# "hq", and nothing is left beside the file.
#   memory_limit_test.sh Q836_BATCH MAKE_DRAWING
set -u
batch=$1
make_drawing=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$make_drawing" 1000000 7 > "$work/drawing.txt"
mkdir "$work/run"
cp "$work/drawing.txt" "$work/run/JWC_TEMP.TXT"
"$batch" --circle-solids --settings "$work/run/q836.dat" "$work/run/JWC_TEMP.TXT" 2>"$work/err" ||
  { echo "FAIL: the run without a limit failed"; cat "$work/err"; exit 1; }
mv "$work/run/JWC_TEMP.TXT" "$work/expected.txt"
rm "$work/run/q836.dat"
message='q836-batch: 選択範囲の図形が多すぎて、使えるメモリに収まりませんでした。図面は変更されていません。'
ended=0 converted=0
for kib in $(seq 10000 6000 160000); do
  cp "$work/drawing.txt" "$work/run/JWC_TEMP.TXT"
  (ulimit -v "$kib"; exec "$batch" --circle-solids --settings "$work/run/q836.dat" \
    "$work/run/JWC_TEMP.TXT" 2>"$work/err" >"$work/out")
  status=$?
  left=$(cd "$work/run" && ls | grep -v -x -e JWC_TEMP.TXT -e q836.dat)
  [ -z "$left" ] || fail "$kib KiB: left beside the file: $left"
  case $status in
    0)
      converted=$((converted + 1))
      cmp -s "$work/run/JWC_TEMP.TXT" "$work/expected.txt" || fail "$kib KiB: exit 0 but not the converted file"
      ;;
    1)
      ended=$((ended + 1))
      grep -q -x -F "$message" "$work/err" || fail "$kib KiB: no out-of-memory message: $(tail -1 "$work/err")"
      cmp -s "$work/run/JWC_TEMP.TXT" "$work/drawing.txt" || cmp -s "$work/run/JWC_TEMP.TXT" <(printf 'hq\r\n') ||
        fail "$kib KiB: the file is neither untouched nor hq"
      ;;
    *)
      fail "$kib KiB: exit status $status: $(tail -1 "$work/err")"
      ;;
  esac
  rm -f "$work/run/q836.dat"
done
echo "limits tried: $((ended + converted)); ended out of memory: $ended; converted: $converted"
[ "$ended" -gt 0 ] && [ "$converted" -gt 0 ] || fail "the limits did not span both outcomes"
[ $failures -eq 0 ] && echo "all memory limit checks passed"
exit $((failures > 0))
