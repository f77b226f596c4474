#!/usr/bin/env bash
# End-to-end checks of q836-batch: options, exit statuses, files written.
set -u
batch=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check NAME COMMAND...: the command must succeed
  local name=$1; shift
  if ! "$@"; then echo "FAIL: $name"; failures=$((failures + 1)); fi
}
status() { "$@" >/dev/null 2>&1; echo $?; }
crlf() { printf '%s\r\n' "$@"; }

typical() { crlf lg0 ly1 lc2 lt1 lw0 "ci 10 20 0.05" "ci 30 40 5" > "$1"; }

# The typical run: one small circle becomes a point.
typical "$work/a.txt"
check "typical run exits 0" test "$(status "$batch" --no-arcs "$work/a.txt")" = 0
check "typical run output" cmp -s "$work/a.txt" <(crlf hd lg0 ly1 lc2 lt1 lw0 "ci 30 40 5" pn2 "pt 10 20")

# Markers, -o, and settings saved on OK.
typical "$work/b.txt"
cp "$work/b.txt" "$work/b.orig"
check "marker run" "$batch" --marker □ --scale 2 --settings "$work/s.dat" -o "$work/b.out" "$work/b.txt" 2>/dev/null
check "marker output" cmp -s "$work/b.out" <(crlf hd lg0 ly1 lc2 lt1 lw0 "ci 30 40 5" pn2 "pt 10 20 2 0 -5")
check "-o leaves the input" cmp -s "$work/b.txt" "$work/b.orig"
check "settings saved, the view shown" cmp -s "$work/s.dat" <(crlf 0 0 1 1 0 1 0.1 4 2 0 0 0 1 "" 0)
# A lower limit leaves the small circle; kept originals stay beside their
# points; both are saved and come back; an empty lower limit clears it, and
# one that is no number refuses OK (exit 2) and writes nothing.
typical "$work/r.txt"
check "lower limit and kept originals" "$batch" --radius-from 1 --radius 5 --keep-originals \
  --settings "$work/r.dat" "$work/r.txt" 2>/dev/null
check "lower limit output" cmp -s "$work/r.txt" \
  <(crlf hd lg0 ly1 lc2 lt1 lw0 "ci 10 20 0.05" "ci 30 40 5" pn2 "pt 30 40")
check "lower limit saved" cmp -s "$work/r.dat" <(crlf 0 0 1 1 1 0 5 0 1 0 0 0 1 1 1)
typical "$work/r.txt"
check "lower limit cleared" "$batch" --radius-from "" --no-keep-originals --settings "$work/r.dat" \
  "$work/r.txt" 2>/dev/null
check "cleared output" cmp -s "$work/r.txt" <(crlf hd lg0 ly1 pn2 lw0 "pt 10 20" "pt 30 40")
check "lower limit preview" sh -c "'$batch' --preview --radius-from 6 --radius 5 '$work/r.txt' | grep -q '下限 6 が半径 5 より大きく'"
typical "$work/r.txt"
cp "$work/r.txt" "$work/r.orig"
check "unreadable lower limit exits 2" test "$(status "$batch" --radius-from 0.3mm "$work/r.txt")" = 2
check "unreadable lower limit writes nothing" cmp -s "$work/r.txt" "$work/r.orig"

# The saved choices come back on the next run.
typical "$work/c.txt"
"$batch" --settings "$work/s.dat" "$work/c.txt" 2>/dev/null
check "settings reused" grep -q 'pt 10 20 2 0 -5' "$work/c.txt"
check "marker by index" test "$(status "$batch" --marker 6 -o "$work/d.out" "$work/c.txt")" = 0

# Cancel writes "hq" and does not save.
typical "$work/e.txt"
cp "$work/s.dat" "$work/s.before"
check "cancel" "$batch" --cancel --settings "$work/s.dat" "$work/e.txt" 2>/dev/null
check "cancel output" cmp -s "$work/e.txt" <(crlf hq)
check "cancel keeps settings" cmp -s "$work/s.dat" "$work/s.before"

# A missing exchange file (a mistyped name) is an error and creates nothing;
# an empty one gives counts of zero and OK writes the closing lines.
check "missing file exits 1" test "$(status "$batch" "$work/none.txt")" = 1
check "missing file is not created" test ! -e "$work/none.txt"
check "missing file message" sh -c "'$batch' '$work/none.txt' 2>&1 | grep -qx 'q836-batch: $work/none.txt: ファイルがありません'"
: > "$work/empty.txt"
check "empty file" test "$(status "$batch" "$work/empty.txt")" = 0
check "empty file output" cmp -s "$work/empty.txt" <(crlf hd lg0 ly0)
: > "$work/empty2.txt"
check "zero counts" test "$("$batch" -o "$work/none2.out" "$work/empty2.txt" 2>&1 | head -1)" = "円数：0 円弧数：0 円ソリッド数：0"

# A file that cannot be read to its end is never written back in part.
crlf "ci 1 1 0.01" "ci 2 2 1e400" "ci 3 3 0.01" > "$work/bad.txt"
cp "$work/bad.txt" "$work/bad.orig"
check "failed read exits 1" test "$(status "$batch" "$work/bad.txt")" = 1
check "failed read exits 1 on cancel" test "$(status "$batch" --cancel "$work/bad.txt")" = 1
check "failed read writes nothing" cmp -s "$work/bad.txt" "$work/bad.orig"
check "failed read message" sh -c "'$batch' '$work/bad.txt' 2>&1 | grep -q '読み込めませんでした（2行目）'"

# An overflow typed into an edit box ends OK before anything is written.
typical "$work/f.txt"
cp "$work/f.txt" "$work/f.orig"
check "overflow exits 2" test "$(status "$batch" --radius 1e400 --settings "$work/f.dat" "$work/f.txt")" = 2
check "overflow writes nothing" cmp -s "$work/f.txt" "$work/f.orig"
check "overflow saves nothing" test ! -e "$work/f.dat"
check "overflow message" sh -c "'$batch' --scale 1e999 '$work/f.txt' 2>&1 | grep -qx 'q836-batch: 倍率の値が大きすぎます。'"

# An exchange file that cannot be written: exit 1, the reason told, no partial file.
check "unwritable exits 1" test "$(status "$batch" -o "$work/no/such/dir/out.txt" "$work/f.txt")" = 1
check "unwritable says why" sh -c "'$batch' -o '$work/no/such/dir/out.txt' '$work/f.txt' 2>&1 |
  grep -qx 'q836-batch: out.txtを書き込めませんでした（保存先のフォルダがありません）。図面は変更されていません。'"

# A refused or failed write leaves the target exactly as it was, nothing
# beside it, and tells why in its own words.
failed_write() {  # NAME REASON OUTPUT [BATCH WRAPPER...]: OUTPUT exists or is a folder
  local name=$1 reason=$2 out=$3
  shift 3
  local before
  before=$(ls -la "$work/w" | md5sum)
  local said
  said=$("$@" "$batch" --no-arcs -o "$out" "$work/w/in.txt" 2>&1 >/dev/null; echo "exit $?")
  check "$name: exit 1" sh -c "echo '$said' | tail -1 | grep -qx 'exit 1'"
  check "$name: says why" sh -c "echo '$said' | grep -q '（$reason）。図面は変更されていません。'"
  check "$name: nothing changed" test "$(ls -la "$work/w" | md5sum)" = "$before"
}
mkdir "$work/w"
typical "$work/w/in.txt"
mkdir "$work/w/dir"
failed_write "folder in the way" "同じ名前のフォルダがあります" "$work/w/dir"
typical "$work/w/ro.txt"
chmod 444 "$work/w/ro.txt"
failed_write "read-only file" "読み取り専用のファイルです。ファイルのプロパティで読み取り専用を外すと書き込めます" "$work/w/ro.txt"
typical "$work/w/big.txt"
for i in $(seq 1 3000); do echo "ci $i 0 99"; done >> "$work/w/in.txt"
# (An instrumented build's counts of that run go into the test's own folder,
# made beforehand: under the limit they could not be written whole.)
mkdir -p "$work/gcov"
failed_write "file size limit" "ファイルの大きさが上限を超えます" "$work/w/big.txt" \
  env GCOV_PREFIX="$work/gcov" sh -c 'ulimit -f 8; exec "$@"' limit
if [ "$(id -u)" -ne 0 ]; then
  chmod 555 "$work/w"
  failed_write "read-only folder" "保存先のフォルダにファイルを作ることが許可されていません" "$work/w/big.txt"
  chmod 755 "$work/w"
else
  echo "note: a read-only folder does not stop root; that check runs as another user only"
fi
mkfifo "$work/w/out.fifo"
# Nobody reads the FIFO: SIGTERM ends the wait for a reader at once.
"$batch" -o "$work/w/out.fifo" "$work/w/in.txt" 2> "$work/term.err" &
pid=$!
wait_for_handler() {  # PID SIGNAL: until the process catches SIGNAL (SigCgt)
  local caught
  for _ in $(seq 1 600); do
    caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$1/status" 2>/dev/null)
    [ -n "$caught" ] && (( 0x$caught & (1 << ($2 - 1)) )) && return
    sleep 0.05
  done
}
wait_for_handler "$pid" 15
# On a slow machine the signal may still find the run loading: either way
# it ends with 143 and says so, and the FIFO is not written.
kill -TERM "$pid"
wait "$pid"
check "SIGTERM in a FIFO wait exits 143" test $? = 143
check "SIGTERM in a FIFO wait says so" grep -q '中断されました' "$work/term.err"
check "the FIFO stays" test -p "$work/w/out.fifo"
# A settings FIFO without a writer: told after about 10 s; the defaults are
# used and the FIFO is not written.
mkfifo "$work/w/s.fifo"
typical "$work/w/s.txt"
said=$("$batch" --no-arcs --settings "$work/w/s.fifo" "$work/w/s.txt" 2>&1; echo "exit $?")
check "settings FIFO without a writer" sh -c "echo '$said' | grep -q 'q836.*s.fifoを読み込めませんでした（相手のプログラムが応答しません）。既定の設定で開きます。'"
check "settings FIFO: converted with the defaults" cmp -s "$work/w/s.txt" \
  <(crlf hd lg0 ly1 lc2 lt1 lw0 "ci 30 40 5" pn2 "pt 10 20")
check "settings FIFO: exit 0" sh -c "echo '$said' | tail -1 | grep -qx 'exit 0'"
# Status lines into a closed pipe do not stop the run.
typical "$work/w/pipe.txt"
"$batch" --no-arcs "$work/w/pipe.txt" 2>&1 >/dev/null | true
check "a closed stderr pipe: exit 0" test "${PIPESTATUS[0]}" = 0
check "a closed stderr pipe: converted" cmp -s "$work/w/pipe.txt" \
  <(crlf hd lg0 ly1 lc2 lt1 lw0 "ci 30 40 5" pn2 "pt 10 20")

# The replacement keeps the target's permissions.
for mode in 600 640 755; do
  typical "$work/w/m$mode.txt"
  chmod "$mode" "$work/w/m$mode.txt"
  "$batch" "$work/w/m$mode.txt" 2>/dev/null
  check "mode $mode kept" test "$(stat -c %a "$work/w/m$mode.txt")" = "$mode"
done

# Runs at once on one file: each ends with a whole result, and the file is
# one of them (the input converted once, twice or three times).
typical "$work/race.txt"
"$batch" --no-arcs -o "$work/race.r1" "$work/race.txt" 2>/dev/null
"$batch" --no-arcs -o "$work/race.r2" "$work/race.r1" 2>/dev/null
"$batch" --no-arcs -o "$work/race.r3" "$work/race.r2" 2>/dev/null
raced=0
for _ in $(seq 1 30); do
  typical "$work/race.txt"
  "$batch" --no-arcs "$work/race.txt" 2>/dev/null & a=$!
  "$batch" --no-arcs "$work/race.txt" 2>/dev/null & b=$!
  "$batch" --no-arcs "$work/race.txt" 2>/dev/null & c=$!
  wait $a; ra=$?
  wait $b; rb=$?
  wait $c; rc=$?
  if [ $ra -ne 0 ] || [ $rb -ne 0 ] || [ $rc -ne 0 ] ||
     ! { cmp -s "$work/race.txt" "$work/race.r1" || cmp -s "$work/race.txt" "$work/race.r2" ||
         cmp -s "$work/race.txt" "$work/race.r3"; }; then
    raced=$((raced + 1))
  fi
done
check "three runs at once: 30 of 30 whole" test $raced = 0
check "three runs at once: nothing left" test -z "$(ls "$work" | grep -e 'q836-new$' -e 'tmp~$')"

# Only plain files are replaced. Links are written through and stay links;
# a FIFO and a device node are written into and stay what they are.
mkdir -p "$work/targets/real" "$work/targets/tool"
typical "$work/targets/real/JWC_TEMP.TXT"
ln -s ../real/JWC_TEMP.TXT "$work/targets/tool/two"
ln -s "$work/targets/tool/two" "$work/targets/tool/JWC_TEMP.TXT"
crlf 7 0 1 1 1 0 0.1 0 1 0 0 0 > "$work/targets/real/q836.dat"
ln -s ../real/q836.dat "$work/targets/tool/q836.dat"
check "through two links" "$batch" --no-arcs --settings "$work/targets/tool/q836.dat" \
  "$work/targets/tool/JWC_TEMP.TXT" 2>/dev/null
check "the linked file is converted" cmp -s "$work/targets/real/JWC_TEMP.TXT" \
  <(crlf hd lg0 ly1 lc2 lt1 lw0 "ci 30 40 5" pn2 "pt 10 20")
check "the links stay links" test -L "$work/targets/tool/JWC_TEMP.TXT" -a -L "$work/targets/tool/two" \
  -a -L "$work/targets/tool/q836.dat"
check "the linked settings are saved" cmp -s "$work/targets/real/q836.dat" <(crlf 7 0 1 0 1 0 0.1 0 1 0 0 0 1 "" 0)
check "nothing left beside" test "$(ls "$work/targets/tool" "$work/targets/real" | tr '\n' ' ')" = \
  "$work/targets/real: JWC_TEMP.TXT q836.dat  $work/targets/tool: JWC_TEMP.TXT q836.dat two "
mkfifo "$work/targets/out.fifo"
cat "$work/targets/out.fifo" > "$work/targets/from-fifo" &
reader=$!
typical "$work/targets/g.txt"
check "into a FIFO" "$batch" --no-arcs -o "$work/targets/out.fifo" "$work/targets/g.txt" 2>/dev/null
wait "$reader"
check "the FIFO's reader gets the file" cmp -s "$work/targets/from-fifo" \
  <(crlf hd lg0 ly1 lc2 lt1 lw0 "ci 30 40 5" pn2 "pt 10 20")
check "the FIFO stays" test -p "$work/targets/out.fifo"
if [ "$(id -u)" -eq 0 ]; then
  mknod -m 600 "$work/targets/null" c 1 3
  check "into a device node" "$batch" -o "$work/targets/null" "$work/targets/g.txt" 2>/dev/null
  check "the device node stays" test -c "$work/targets/null"
  check "nothing beside the device node" test -z "$(ls "$work/targets" | grep q836)"
else
  echo "note: the device node check needs root; skipped"
fi

# --preview prints what OK would do and writes nothing, not even settings.
typical "$work/p.txt"
crlf "BL 0 0 b" >> "$work/p.txt"
cp "$work/p.txt" "$work/p.orig"
cp "$work/s.dat" "$work/s.before"
check "preview" cmp -s <("$batch" --preview --settings "$work/s.dat" --no-arcs --radius 5 "$work/p.txt" 2>/dev/null) \
  <(printf '%s\n' "変換対象：円 2 → 点マーカー□" "半径：0.05×1 5×1 ｜" \
                  "ブロック図形1個はＯＫで消え作図されません。キャンセルで選び直し")
check "preview writes nothing" cmp -s "$work/p.txt" "$work/p.orig"
check "preview saves nothing" cmp -s "$work/s.dat" "$work/s.before"
check "preview of an overflow" sh -c "'$batch' --preview --radius 1e400 '$work/p.txt' 2>/dev/null | grep -qx '半径の値が大きすぎて読めないため、ＯＫできません'"
check "preview of a scale overflow" sh -c "'$batch' --preview --scale 1e400 '$work/p.txt' 2>/dev/null | grep -qx '倍率の値が大きすぎて読めないため、ＯＫできません'"
check "preview of the radius used" sh -c "'$batch' --preview --radius abc '$work/p.txt' 2>/dev/null | grep -qx '半径「abc」は数値でないため 0.000001 として扱います'"
check "preview of the scale written" sh -c "'$batch' --preview --marker 0 --scale 2倍 '$work/p.txt' 2>/dev/null | grep -qx '倍率「2倍」は数値でないため 1 で作図します'"
for scale in 2倍 5e-9 1e-8; do
  check "preview of the scale $scale" sh -c "'$batch' --preview --marker 0 --scale $scale '$work/p.txt' 2>/dev/null | grep -q '」は.*ため 1 で作図します$'"
  "$batch" --marker 0 --scale "$scale" -o "$work/p.scale" "$work/p.txt" 2>/dev/null
  check "OK writes the scale $scale as told" grep -q '^pt 10 20 1 0 -1' "$work/p.scale"
done
check "no scale line for points" sh -c "! '$batch' --preview --point --scale 2倍 '$work/p.txt' 2>/dev/null | grep -q 倍率"
check "preview of a failed read exits 1" test "$(status "$batch" --preview "$work/bad.txt")" = 1

# --preview-svg draws the selection, marks what OK converts, and writes
# nothing else; its results stand where OK writes the points.
crlf lg0 ly1 lc2 "ci 10 20 0.05" "ci 30 40 5" "ci 1.00000000000000006 2 0.07 1 0 3.14159265358979 0" \
  "1 2 3 4" "sc 5 5 0.02 1 0 6.28318530717959 0 0" > "$work/v.txt"
cp "$work/v.txt" "$work/v.orig"
check "svg exits 0" test "$(status "$batch" --preview-svg "$work/v.svg" --radius 0.1 "$work/v.txt")" = 0
check "svg writes nothing else" cmp -s "$work/v.txt" "$work/v.orig"
check "svg classes" test "$(grep -o 'class="[a-z]*' "$work/v.svg" | sort | uniq -c | tr -s ' ' | tr '\n' ';')" \
  = ' 2 class="converted; 2 class="figure; 1 class="kept; 2 class="result;'
cp "$work/v.orig" "$work/v.ok"
"$batch" --radius 0.1 "$work/v.ok" 2>/dev/null
check "svg results are OK's points" cmp -s \
  <(grep -o 'class="result" data-x="[^"]*" data-y="[^"]*"' "$work/v.svg" | sed 's/.*data-x="\([^"]*\)" data-y="\([^"]*\)"/pt \1 \2/') \
  <(grep -a '^pt ' "$work/v.ok" | tr -d '\r')
check "svg of a missing file exits 1 and writes nothing" \
  sh -c "test \"\$('$batch' --preview-svg '$work/none.svg' '$work/none.txt' >/dev/null 2>&1; echo \$?)\" = 1 && test ! -e '$work/none.svg'"
check "svg needs a file" test "$(status "$batch" --preview-svg)" = 2

# Usage errors.
check "no file is a usage error" test "$(status "$batch")" = 2
check "unknown option" test "$(status "$batch" --bogus "$work/f.txt")" = 2
check "bad marker" test "$(status "$batch" --marker ◇ "$work/f.txt")" = 2
check "missing value" test "$(status "$batch" "$work/f.txt" --radius)" = 2
check "help" sh -c "'$batch' --help | grep -q -- '--ring-solids'"
check "version" sh -c "'$batch' --version | grep -q '^q836-batch '"

# The sample drawing converts and reads back.
cp "$examples/JWC_TEMP.TXT" "$work/JWC_TEMP.TXT"
check "sample" "$batch" --circle-solids --rim-solids --ring-solids "$work/JWC_TEMP.TXT" 2>/dev/null
check "sample points" test "$(grep -c '^pt ' "$work/JWC_TEMP.TXT")" -ge 10
cp "$work/JWC_TEMP.TXT" "$work/second.txt"
"$batch" --no-circles --no-arcs -o "$work/third.txt" "$work/second.txt" 2>/dev/null
check "sample is stable on a second pass" cmp -s "$work/second.txt" "$work/third.txt"

# A stop request ends the run in every mode with 128 + the signal's number
# and 「中断されました」. While loading: the exchange file is a FIFO held open
# after its content, so the run is still reading when the signal comes; it
# is sent once the runner catches it (SigCgt), however slowly a busy machine
# starts it. Nothing is written, not even the settings.
for sig in INT TERM HUP; do
  rm -f "$work/fifo"
  mkfifo "$work/fifo"
  "$batch" --settings "$work/int.dat" -o "$work/int.txt" "$work/fifo" 2> "$work/int.err" &
  pid=$!
  exec 3> "$work/fifo"
  crlf "ci 1 1 0.01" "ci 2 2 5" >&3
  wait_for_handler "$pid" "$(kill -l "$sig")"
  kill -"$sig" "$pid"
  exec 3>&-  # a run that went on reading would wait for ever for the end
  wait "$pid"
  code=$?
  check "SIG$sig while loading exits 128+$(kill -l "$sig")" test $code = $((128 + $(kill -l "$sig")))
  check "SIG$sig while loading says so" grep -qx 'q836-batch: 中断されました' "$work/int.err"
  check "SIG$sig while loading writes nothing" test ! -e "$work/int.txt" -a ! -e "$work/int.dat"
done
# Later steps: the run pauses there for the test (Q836_TEST_PAUSE_AT) and
# the signal comes while it waits. A preview prints nothing, a picture
# leaves the old one, a write-back makes the file "hq".
stopped_at() {  # STEP SIGNAL COMMAND...: runs COMMAND, stops it at STEP, prints its exit status
  local step=$1 sig=$2
  shift 2
  rm -f "$work/stop.err"
  Q836_TEST_PAUSE_AT=$step "$@" > "$work/stop.out" 2> "$work/stop.err" &
  local pid=$!
  for _ in $(seq 1 600); do
    grep -q "paused at $step" "$work/stop.err" 2>/dev/null && break
    sleep 0.05
  done
  kill -"$sig" "$pid"
  wait "$pid"
  echo $?
}
typical "$work/stop.txt"
check "SIGTERM in the preview exits 143" \
  test "$(stopped_at preview TERM "$batch" --preview "$work/stop.txt")" = 143
check "SIGTERM in the preview prints nothing" test ! -s "$work/stop.out"
echo old > "$work/stop.svg"
check "SIGINT in the picture exits 130" \
  test "$(stopped_at svg INT "$batch" --preview-svg "$work/stop.svg" "$work/stop.txt")" = 130
check "SIGINT in the picture keeps the old one" test "$(cat "$work/stop.svg")" = old
check "SIGINT in the picture leaves nothing" test -z "$(ls "$work" | grep -e 'q836-new$' -e 'tmp~$')"
check "SIGTERM in the write-back exits 143" \
  test "$(stopped_at write-back TERM "$batch" --settings "$work/stop.dat" "$work/stop.txt")" = 143
check "SIGTERM in the write-back writes hq" cmp -s "$work/stop.txt" <(crlf hq)
check "SIGTERM in the write-back says so" grep -qx 'q836-batch: 中断されました' "$work/stop.err"
check "SIGTERM in the write-back keeps the saved settings" test -s "$work/stop.dat"

# A folder swapped for a link while the selection loads: the result goes
# into the folder the run was given, never into the one the link names.
mkdir -p "$work/swap/dir" "$work/swap/other"
echo theirs > "$work/swap/other/out.txt"
echo mine > "$work/swap/dir/out.txt"
rm -f "$work/fifo"
mkfifo "$work/fifo"
"$batch" --no-arcs -o "$work/swap/dir/out.txt" "$work/fifo" 2>/dev/null &
pid=$!
exec 3> "$work/fifo"  # returns once the run has opened it, after finding out its target
mv "$work/swap/dir" "$work/swap/dir.away"
ln -s "$work/swap/other" "$work/swap/dir"
crlf lg0 ly1 lc2 lt1 lw0 "ci 10 20 0.05" "ci 30 40 5" >&3
exec 3>&-
wait "$pid"
check "a swapped folder: exit 0" test $? = 0
check "a swapped folder: the other folder untouched" test "$(cat "$work/swap/other/out.txt")" = theirs
check "a swapped folder: nothing beside the other file" test "$(ls "$work/swap/other")" = out.txt
check "a swapped folder: the result where it was told" cmp -s "$work/swap/dir.away/out.txt" \
  <(crlf hd lg0 ly1 lc2 lt1 lw0 "ci 30 40 5" pn2 "pt 10 20")

# Pipes named by any path are written into.
typical "$work/pipe2.txt"
"$batch" --preview-svg /dev/stdout "$work/pipe2.txt" 2>/dev/null | cat > "$work/pipe2.svg"
check "/dev/stdout into a pipe: exit 0" test "${PIPESTATUS[0]}" = 0
check "/dev/stdout into a pipe: the picture" grep -q '^</svg>$' "$work/pipe2.svg"
"$batch" --no-arcs -o /dev/fd/1 "$work/pipe2.txt" 2>/dev/null | cat > "$work/pipe2.out"
check "/dev/fd/1 into a pipe: exit 0" test "${PIPESTATUS[0]}" = 0
check "/dev/fd/1 into a pipe: the result" cmp -s "$work/pipe2.out" \
  <(crlf hd lg0 ly1 lc2 lt1 lw0 "ci 30 40 5" pn2 "pt 10 20")

# One file in two roles is a usage error, and nothing is written.
typical "$work/roles.txt"
cp "$work/roles.txt" "$work/roles.orig"
check "the picture over the exchange file: exit 2" \
  test "$(status "$batch" --preview-svg "$work/roles.txt" "$work/roles.txt")" = 2
check "the picture over the same file by another name: exit 2" \
  test "$(status "$batch" --preview-svg "$work/./roles.txt" "$work/roles.txt")" = 2
check "the exchange file stays" cmp -s "$work/roles.txt" "$work/roles.orig"
check "settings and result one file: exit 2" \
  test "$(status "$batch" --settings "$work/roles.out" -o "$work/roles.out" "$work/roles.txt")" = 2
check "nothing written for two roles" test ! -e "$work/roles.out"
# "--" ends the options; names are shown with control characters escaped.
typical "$work/-dash.txt"
check "-- ends the options" "$batch" --no-arcs -- "$work/-dash.txt" 2>/dev/null
check "-- file converted" grep -q '^pt 10 20' "$work/-dash.txt"
said=$("$batch" "$work/bad"$'\e'"[31mname" 2>&1)
check "control characters escaped" sh -c "printf '%s' '$said' | grep -q 'bad\\\\x1b\\[31mname'"
check "no raw escape reaches the terminal" test "$(printf '%s' "$said" | tr -d -c '\033' | wc -c)" = 0
mkdir "$work/folder.txt"
said=$("$batch" "$work/folder.txt" 2>&1; echo "exit $?")
check "a folder as the exchange file says so" sh -c "echo '$said' | grep -q 'folder.txtを読み込めませんでした（同じ名前のフォルダがあります）'"
check "a folder as the exchange file: exit 1" sh -c "echo '$said' | tail -1 | grep -qx 'exit 1'"
check "help lines are whole" sh -c "! '$batch' --help | grep -qx 'written, or the'"

[ $failures -eq 0 ] && echo "all batch checks passed"
exit $((failures > 0))
