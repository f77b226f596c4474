#!/usr/bin/env bash
# End-to-end tests of q836.exe under Wine in Xvfb, driven by real key
# presses. Each test copies the program into a fresh folder with a Japanese
# name, as a user's tool folder may have, and checks the files it leaves.
#   dialog_test.sh Q836_EXE Q836_BATCH [BANNER_EXE]
set -u
exe=$1
batch=$2
banner_exe=${3:-}
read_strip="$(dirname "$exe")/read_strip.exe"  # built beside the program
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_env.sh"
source "$here/worst_case.sh"
exit_unless_runnable "$exe"
wine_prefix_ready || exit 1
# Q836_WINE_DPI runs the whole suite at that DPI; the prefix is set back to
# 96 afterwards.
wine_set_dpi "${Q836_WINE_DPI:-96}"
# A screen on which the dialog with its drawing view fits at 192 DPI.
screen_width=1920 screen_height=1200
XVFB_SCREEN=${screen_width}x${screen_height}x24 xvfb_ready || exit 1
work=$(mktemp -d)
trap 'xvfb_stop; wine_set_dpi 96; wine_set_colours; rm -rf "$work"' EXIT
failures=0
crlf() { printf '%s\r\n' "$@"; }
typical() { crlf lg0 ly1 lc2 lt1 lw0 "ci 10 20 0.05" "ci 30 40 5" "ci 1 1 0.1 0 0 1 1"; }

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Copies the program into a new folder; prints the folder.
new_folder() {
  local folder="$work/$1/外部変形テスト"
  mkdir -p "$folder"
  cp "${2:-$exe}" "$folder/q836.exe"
  echo "$folder"
}

# Starts the program in FOLDER and waits for its window (WIN, PID), up to
# 60 s: the fullest drawing takes long to load on a busy machine.
start_dialog() {
  local folder=$1 attempt
  for attempt in 1 2; do
    (cd "$folder" && exec "$WINE" q836.exe >/dev/null 2>&1) &
    PID=$!
    WIN=""
    for _ in $(seq 1 600); do
      WIN=$(xdotool search --onlyvisible --name '^円→点変換$' 2>/dev/null | head -1)
      [ -n "$WIN" ] && return 0
      kill -0 "$PID" 2>/dev/null || break
      sleep 0.1
    done
    # Every Wine process goes: a run still loading would hold the drawing,
    # and a second start on it only brings the first to the front.
    kill "$PID" 2>/dev/null
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
    echo "note: the window did not appear (attempt $attempt), retrying" >&2
  done
  return 1
}

keys() {
  xdotool windowfocus --sync "$WIN" 2>/dev/null
  sleep 0.3
  xdotool key --clearmodifiers "$@"
}

# Waits up to 15 s for the program to end; false if it is still running.
wait_exit() {
  for _ in $(seq 1 300); do
    kill -0 "$PID" 2>/dev/null || return 0
    sleep 0.05
  done
  return 1
}

# The control that has the focus ("ID CLASS"). Asked again when the helper
# gets no answer: the form's thread may be busy with the key just pressed.
focus_now() {
  local focus
  for _ in 1 2 3 4 5; do
    focus=$("$WINE" "$read_strip" --focus 2>/dev/null)
    [ -n "$focus" ] && break
    sleep 0.2
  done
  echo "$focus"
}

# The focused control once it is ID, waiting up to 2 s for the keys just
# sent to be handled; otherwise the last one seen.
focus_settles() {  # ID
  local focus
  for _ in $(seq 1 10); do
    focus=$(focus_now)
    [ "${focus%% *}" = "$1" ] && break
    sleep 0.2
  done
  echo "$focus"
}

still_open() {
  sleep 1
  kill -0 "$PID" 2>/dev/null && xdotool search --onlyvisible --name '^円→点変換$' >/dev/null 2>&1
}

# Runs one dialog: start, KEYS..., wait for the end. Checks are the caller's.
run_keys() {
  local folder=$1; shift
  start_dialog "$folder" || { fail "window never appeared in $folder"; return 1; }
  keys "$@"
  wait_exit || { fail "still running after: $*"; kill "$PID"; return 1; }
}

test_cancel_writes_hq_and_keeps_settings() {
  local f; f=$(new_folder cancel)
  typical > "$f/JWC_TEMP.TXT"
  crlf 10 20 1 1 1 0 0.5 0 1 0 0 0 > "$f/q836.dat"
  cp "$f/q836.dat" "$work/cancel.dat"
  run_keys "$f" alt+n || return
  cmp -s "$f/JWC_TEMP.TXT" <(crlf hq) || fail "cancel: JWC_TEMP.TXT is not hq"
  cmp -s "$f/q836.dat" "$work/cancel.dat" || fail "cancel: the settings file changed"
}

test_escape_and_close_box_cancel() {
  local f key
  for key in Escape alt+F4; do
    f=$(new_folder "close-$key")
    typical > "$f/JWC_TEMP.TXT"
    run_keys "$f" "$key" || continue
    cmp -s "$f/JWC_TEMP.TXT" <(crlf hq) || fail "$key: JWC_TEMP.TXT is not hq"
    [ ! -e "$f/q836.dat" ] || fail "$key: a settings file was written"
  done
}

# OK from the keyboard gives exactly what the batch runner gives.
test_ok_matches_the_batch_runner() {
  local f key
  for key in Return alt+y; do
    f=$(new_folder "ok-$key")
    typical > "$f/JWC_TEMP.TXT"
    crlf 0 0 1 1 0 1 0.1 4 2 1 0 1 > "$f/q836.dat"
    cp "$f/JWC_TEMP.TXT" "$work/in.txt"
    cp "$f/q836.dat" "$work/batch.dat"
    run_keys "$f" "$key" || continue
    "$batch" --settings "$work/batch.dat" -o "$work/batch.txt" "$work/in.txt" 2>/dev/null
    cmp -s "$f/JWC_TEMP.TXT" "$work/batch.txt" || fail "$key: JWC_TEMP.TXT differs from q836-batch"
    cmp -s "$f/q836.dat" "$work/batch.dat" || fail "$key: q836.dat differs from q836-batch"
    grep -q 'pt 10 20 2 0 -5' "$f/JWC_TEMP.TXT" || fail "$key: no marker written"
  done
}

test_saved_position_is_restored() {
  local f; f=$(new_folder position)
  typical > "$f/JWC_TEMP.TXT"
  crlf 123 77 1 1 1 0 0.1 0 1 0 0 0 > "$f/q836.dat"
  start_dialog "$f" || { fail "position: no window"; return; }
  local x y
  eval "$(xdotool getwindowgeometry --shell "$WIN" | grep -E '^(X|Y)=')"
  keys Return
  wait_exit || { fail "position: still running"; kill "$PID"; return; }
  [ "$(sed -n 1p "$f/q836.dat" | tr -d '\r')" = 123 ] && [ "$(sed -n 2p "$f/q836.dat" | tr -d '\r')" = 77 ] ||
    fail "position: OK saved $(head -2 "$f/q836.dat" | tr -d '\r' | tr '\n' ' ')instead of 123 77 (window at $X,$Y)"
  # A position on a monitor that no longer exists, or at the int32 extremes,
  # comes back on screen.
  local saved left top
  for saved in "5000 -4000" "2147483647 2147483647" "-2147483648 -2147483648" \
               "2147483647 -2147483648" "-2147483648 2147483647"; do
    # shellcheck disable=SC2086
    crlf $saved 1 1 1 0 0.1 0 1 0 0 0 > "$f/q836.dat"
    typical > "$f/JWC_TEMP.TXT"
    run_keys "$f" Return || return
    left=$(sed -n 1p "$f/q836.dat" | tr -d '\r'); top=$(sed -n 2p "$f/q836.dat" | tr -d '\r')
    [ "$left" -ge 0 ] && [ "$left" -lt "$screen_width" ] && [ "$top" -ge 0 ] &&
      [ "$top" -lt "$screen_height" ] ||
      fail "position: $saved saved as $left $top, off screen"
  done
}

# Waits up to SECONDS for the program's message box (BOX); false if none came.
wait_message_box() {
  BOX=""
  for _ in $(seq 1 $(($1 * 10))); do
    BOX=$(xdotool search --onlyvisible --name '^q836_円→点変換$' 2>/dev/null | while read -r w; do
      eval "$(xdotool getwindowgeometry --shell "$w" | grep WIDTH)"
      [ "$WIDTH" -gt 50 ] && echo "$w"
    done | head -1)
    [ -n "$BOX" ] && return 0
    sleep 0.1
  done
  return 1
}

close_message_box() {
  [ -n "$BOX" ] || return 0
  xdotool windowfocus --sync "$BOX" 2>/dev/null; sleep 0.3; xdotool key --clearmodifiers Return
}

# Expects a message box within SECONDS that says MESSAGE; leaves it open.
box_says() {  # NAME SECONDS MESSAGE
  local name=$1 seconds=$2 message=$3 text
  if ! wait_message_box "$seconds"; then
    fail "$name: no message box"; kill "$PID"; return 1
  fi
  text=$("$WINE" "$read_strip" --message 2>/dev/null)
  [ "$text" = "$message" ] || fail "$name: the message box says [$text] instead of [$message]"
}

# Runs OK (or presses KEY) in FOLDER and expects the message box to say
# MESSAGE; then the program ends. NAME names the check.
ok_tells() {  # NAME FOLDER SECONDS MESSAGE [KEY]
  local name=$1 seconds=$3 message=$4 key=${5:-Return}
  keys "$key"
  box_says "$name" "$seconds" "$message" || return 1
  close_message_box
  wait_exit || { fail "$name: still running after the message"; kill "$PID"; return 1; }
}

# A file that cannot be written is told, with the reason in its own words;
# nothing changes and nothing is left beside it. Wine shows the read-only
# attribute of a file without write permission.
test_failed_write_is_told() {
  local case name setup reason f
  for case in "folder:mkdir:同じ名前のフォルダがあります" \
              "readonly:chmod 444:読み取り専用のファイルです。ファイルのプロパティで読み取り専用を外すと書き込めます"; do
    IFS=: read -r name setup reason <<<"$case"
    f=$(new_folder "unwritable-$name")
    if [ "$name" = folder ]; then mkdir "$f/JWC_TEMP.TXT"; else typical > "$f/JWC_TEMP.TXT"; chmod 444 "$f/JWC_TEMP.TXT"; fi
    local before; before=$(ls "$f" | grep -v '^q836.dat$'; stat -c '%F %s %Y %a' "$f/JWC_TEMP.TXT")
    start_dialog "$f" || { fail "unwritable $name: no window"; continue; }
    local key=Return
    if [ "$name" = folder ]; then
      # The read already tells the folder: OK stays disabled, and closing
      # tells why the exchange file cannot be written.
      keys Return
      still_open || fail "unwritable folder: OK was not disabled"
      key=Escape
    fi
    ok_tells "unwritable $name" "$f" 10 \
      "JWC_TEMP.TXTを書き込めませんでした（$reason）。図面は変更されていません。" "$key" || continue
    [ "$(ls "$f" | grep -v '^q836.dat$'; stat -c '%F %s %Y %a' "$f/JWC_TEMP.TXT")" = "$before" ] ||
      fail "unwritable $name: the folder changed: $(ls "$f" | tr '\n' ' ')"
    if [ "$name" = readonly ]; then
      cmp -s "$f/JWC_TEMP.TXT" <(typical) || fail "unwritable $name: the exchange file changed"
    fi
  done
}

# Another program holds JWC_TEMP.TXT open (reading and writing shared,
# deleting not) from before OK until MS after it.
hold_during_ok() {  # FOLDER MS
  local f=$1
  rm -f "$f/go" "$f/held"
  (cd "$f" && exec "$WINE" hold_file.exe JWC_TEMP.TXT go "$2" >held 2>/dev/null) &
  HOLDER=$!
  for _ in $(seq 1 100); do
    grep -q held "$f/held" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "hold: the file was never held"
  return 1
}

# Held for 300 ms, the file is written after a few retries. Held for 5 s,
# the user is asked (再試行/キャンセル): retrying once the holder has let go
# writes the file; cancelling keeps the held file as it was and leaves
# nothing beside it.
test_held_file_is_retried() {
  local f; f=$(new_folder held)
  local question="JWC_TEMP.TXTを書き込めませんでした（ほかのプログラムが使用中です）。ほかのプログラムを閉じてから［再試行］を押してください。"
  cp "$(dirname "$exe")/hold_file.exe" "$f/"
  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "held: no window"; return; }
  hold_during_ok "$f" 300 || { kill "$PID"; return; }
  keys Return
  touch "$f/go"
  wait_exit || { fail "held 300 ms: still running"; kill "$PID"; }
  wait "$HOLDER"
  [ "$(head -c 4 "$f/JWC_TEMP.TXT")" = "$(printf 'hd\r\n')" ] || fail "held 300 ms: the file was not written"

  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "held: no window"; return; }
  hold_during_ok "$f" 5000 || { kill "$PID"; return; }
  keys Return
  touch "$f/go"
  box_says "held 5 s, retried" 8 "$question" || return
  wait "$HOLDER"
  close_message_box  # 再試行, the default button
  wait_exit || { fail "held 5 s, retried: still running"; kill "$PID"; return; }
  [ "$(head -c 4 "$f/JWC_TEMP.TXT")" = "$(printf 'hd\r\n')" ] || fail "held 5 s, retried: the file was not written"

  typical > "$f/JWC_TEMP.TXT"
  cp "$f/JWC_TEMP.TXT" "$work/held.orig"
  start_dialog "$f" || { fail "held: no window"; return; }
  hold_during_ok "$f" 5000 || { kill "$PID"; return; }
  keys Return
  touch "$f/go"
  box_says "held 5 s, cancelled" 8 "$question" || return
  xdotool windowfocus --sync "$BOX" 2>/dev/null; sleep 0.3; xdotool key --clearmodifiers Escape
  # キャンセル ends the run: no second box follows.
  wait_exit || { fail "held 5 s, cancelled: a second box, or still running"; kill "$PID"; }
  wait "$HOLDER"
  cmp -s "$f/JWC_TEMP.TXT" "$work/held.orig" || fail "held 5 s, cancelled: the held file changed"
  [ -z "$(ls "$f" | grep -e q836-new -e 'tmp~')" ] || fail "held 5 s, cancelled: left $(ls "$f" | tr '\n' ' ')"
}

# A second start on the same drawing opens no second dialog: it says so,
# and the first dialog stays the only one and still works.
test_second_start_brings_the_first() {
  local f; f=$(new_folder twice)
  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "twice: no window"; return; }
  local first=$PID
  (cd "$f" && exec "$WINE" q836.exe >/dev/null 2>&1) &
  PID=$!
  # The second run shows no box: it brings the first dialog forward and ends.
  wait_exit || { fail "twice: the second run did not end"; kill "$PID"; }
  wait_message_box 1 && fail "twice: the second run showed a box"
  PID=$first
  local front; front=$("$WINE" "$read_strip" --foreground 2>/dev/null)
  [ "$front" = "foreground form" ] || fail "twice: the first dialog is not in front: [$front]"
  local n; n=$(xdotool search --onlyvisible --name '^円→点変換$' 2>/dev/null | wc -l)
  [ "$n" -eq 1 ] || fail "twice: $n dialogs instead of 1"
  cmp -s "$f/JWC_TEMP.TXT" <(typical) || fail "twice: the second run changed the file"
  keys Escape
  wait_exit || { fail "twice: the first dialog did not close"; kill "$PID"; return; }
  cmp -s "$f/JWC_TEMP.TXT" <(crlf hq) || fail "twice: the first dialog's Escape did not write hq"
}

test_missing_exchange_file_gives_zero_counts() {
  local f; f=$(new_folder missing)
  run_keys "$f" Return || return
  cmp -s "$f/JWC_TEMP.TXT" <(crlf hd lg0 ly0) || fail "missing file: OK did not write hd lg0 ly0"
}

test_failed_read_disables_ok() {
  local f; f=$(new_folder failed)
  crlf "ci 1 1 0.01" "ci 2 2 1e400" > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "failed read: no window"; return; }
  [ -z "$("$WINE" "$read_strip" 2>/dev/null)" ] || fail "failed read: the strip shows a preview"
  keys Return
  still_open || fail "failed read: OK was not disabled"
  keys Escape
  wait_exit || { fail "failed read: still running"; kill "$PID"; return; }
  cmp -s "$f/JWC_TEMP.TXT" <(crlf hq) || fail "failed read: closing did not write hq"
}

# A number beyond a double in 半径 or 倍率: the strip says so in red and OK
# is disabled (Enter does nothing); corrected, OK works again.
test_unreadable_value_disables_ok() {
  local f; f=$(new_folder overflow)
  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "overflow: no window"; return; }
  local field keys_to strip
  for field in 半径 倍率; do
    keys_to="alt+e Tab Tab Tab Tab Tab"  # Edit1, which selects its text
    [ "$field" = 倍率 ] && keys_to="alt+s Tab Tab"  # Edit2
    # shellcheck disable=SC2086
    keys $keys_to
    xdotool type --delay 30 '1e400'
    sleep 0.5
    strip=$("$WINE" "$read_strip" 2>/dev/null)
    case "$strip" in
      "${field}の値が大きすぎて読めないため、ＯＫできません"*) ;;
      *) fail "overflow ($field): the strip shows [$strip]";;
    esac
    keys Return
    still_open || { fail "overflow ($field): Enter closed the dialog"; return; }
    # shellcheck disable=SC2086
    keys $keys_to
    xdotool type --delay 30 '1'
  done
  keys Return
  wait_exit || { fail "overflow: OK did not work again"; kill "$PID"; return; }
  [ "$(head -c 4 "$f/JWC_TEMP.TXT")" = "$(printf 'hd\r\n')" ] || fail "overflow: OK did not convert"
}

# Tab runs through the controls, the memo and the drawing view among them,
# never the banner: 16 Tabs from the first check box come back to it, and
# Space then toggles it.
test_tab_order_cycles_through_the_controls() {
  local f; f=$(new_folder tab)
  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "tab: no window"; return; }
  keys Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab space Return
  wait_exit || { fail "tab: still running"; kill "$PID"; return; }
  # CheckBox1 toggled off: the small circle stays a circle.
  grep -q '^ci 10 20 0.05' "$f/JWC_TEMP.TXT" && ! grep -q '^pt 10 20' "$f/JWC_TEMP.TXT" ||
    fail "tab: focus did not come back to the first check box"
}

# From every tab stop, every arrow key leaves the focus on a control that can
# take it (never a label, a group box or the strip). Alt+E puts the focus on
# the first check box; Tab then reaches each of the 16 tab stops in turn.
test_arrow_keys_stay_on_controls() {
  local f; f=$(new_folder arrows)
  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "arrows: no window"; return; }
  local stop arrow tabs focus at
  local -a stops=()
  tabs=""
  for stop in $(seq 0 15); do
    [ "$stop" -gt 0 ] && tabs="$tabs Tab"
    # shellcheck disable=SC2086
    keys alt+e $tabs
    sleep 0.2
    at=$(focus_now)
    stops+=("${at%% *}")
    for arrow in Up Down Left Right; do
      # shellcheck disable=SC2086
      keys alt+e $tabs "$arrow"
      sleep 0.2
      focus=$(focus_now)
      case "$focus" in
        *" Static"|*" STATIC"|"form"|"none"|"") fail "arrows: $arrow at tab stop $stop put the focus on [$focus]";;
        "101 "*|"122 "*) fail "arrows: $arrow at tab stop $stop put the focus on a group box";;
      esac
    done
  done
  # The 16 tab stops in their order: the check boxes, Edit1, the lower
  # limit, OK, Cancel, 図, the memo, the checked radio button, the drop-down
  # list, Edit2, 元の図形を残す, the view.
  [ "${stops[*]}" = "102 103 104 105 106 108 132 1 2 130 121 123 126 128 134 131" ] ||
    fail "arrows: the tab stops reached from Alt+E are [${stops[*]}]"
  keys Escape
  wait_exit || { fail "arrows: still running"; kill "$PID"; }
}

# With neither 作図タイプ button set in the settings file, 点マーカー is shown
# checked, as OK makes markers then: Alt+S lands on the checked button.
test_neither_radio_shows_markers() {
  local f; f=$(new_folder radio)
  typical > "$f/JWC_TEMP.TXT"
  crlf 0 0 1 1 0 0 0.1 0 1 0 0 0 > "$f/q836.dat"
  start_dialog "$f" || { fail "radio: no window"; return; }
  keys alt+s
  local focus; focus=$(focus_settles 124)
  [ "${focus%% *}" = 124 ] || fail "radio: Alt+S reached [$focus], not the checked 点マーカー"
  keys Return
  wait_exit || { fail "radio: still running"; kill "$PID"; return; }
  grep -q '^pt 10 20 1 0 -1' "$f/JWC_TEMP.TXT" || fail "radio: OK did not make markers"
}

# The group boxes' access keys move to their first control.
test_access_keys_move_to_the_groups() {
  local f; f=$(new_folder access)
  typical > "$f/JWC_TEMP.TXT"
  # Alt+S, Down: the second radio button (markers); Alt+E, Space: CheckBox1 off.
  run_keys "$f" alt+s Down alt+e space Return || return
  grep -q '^ci 10 20 0.05' "$f/JWC_TEMP.TXT" || fail "access keys: Alt+E did not reach CheckBox1"
  grep -q '^pt 1 1 1 0 -1' "$f/JWC_TEMP.TXT" || fail "access keys: Alt+S did not reach the radio buttons"
}

# Enter and Esc work from the closed drop-down list too.
test_enter_and_escape_from_the_drop_down() {
  local f; f=$(new_folder dropdown-enter)
  typical > "$f/JWC_TEMP.TXT"
  run_keys "$f" alt+s Tab Return || return
  [ "$(head -c 4 "$f/JWC_TEMP.TXT")" = "$(printf 'hd\r\n')" ] || fail "drop-down: Enter did not press OK"
  f=$(new_folder dropdown-escape)
  typical > "$f/JWC_TEMP.TXT"
  run_keys "$f" alt+s Tab Escape || return
  cmp -s "$f/JWC_TEMP.TXT" <(crlf hq) || fail "drop-down: Esc did not press Cancel"
}

# Presses Enter in the focused window; it must press OK, which writes "hd".
enter_presses_ok() {  # FOLDER NAME
  xdotool key --clearmodifiers Return
  wait_exit || { fail "$2: Enter did nothing"; kill "$PID"; return 1; }
  [ "$(head -c 4 "$1/JWC_TEMP.TXT")" = "$(printf 'hd\r\n')" ] || fail "$2: Enter did not press OK"
}

# The dialog's geometry on screen: X, Y (its top left corner).
window_origin() {
  eval "$(xdotool getwindowgeometry --shell "$WIN" | grep -E '^(X|Y)=')"
}

# After a switch to another program and a click on the caption, typing goes
# to the control that had the focus (Edit1, whose radius then converts both
# circles).
test_focus_returns_after_switching_programs() {
  local f; f=$(new_folder switch)
  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "switch: no window"; return; }
  keys Tab Tab Tab Tab Tab
  xmessage -geometry +600+500 'another program' 2>/dev/null &
  local other=$! xm=""
  for _ in $(seq 1 50); do
    xm=$(xdotool search --onlyvisible --name '^xmessage$' 2>/dev/null | head -1)
    [ -n "$xm" ] && break
    sleep 0.1
  done
  [ -n "$xm" ] && { xdotool windowfocus --sync "$xm"; sleep 0.3; }
  window_origin
  xdotool mousemove $((X + 150)) $((Y + 8)) click 1
  sleep 0.5
  xdotool type --delay 50 1000
  sleep 0.2
  xdotool key --clearmodifiers Return
  wait_exit || { fail "switch: still running"; kill "$PID"; }
  kill "$other" 2>/dev/null
  grep -q '^pt 30 40' "$f/JWC_TEMP.TXT" || fail "switch: the typed radius did not reach Edit1"
}

# Minimised from its system menu, the tool hides; restored from its icon,
# Enter presses OK at once.
test_keys_work_after_minimise_and_restore() {
  local f; f=$(new_folder minimise)
  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "minimise: no window"; return; }
  keys alt+space
  sleep 0.5
  xdotool key n
  sleep 1
  xdotool search --onlyvisible --name '^円→点変換$' >/dev/null 2>&1 && fail "minimise: the form is still shown"
  local app
  app=$(xdotool search --onlyvisible --name '^q836_円→点変換$' 2>/dev/null | head -1)
  [ -n "$app" ] || { fail "minimise: no icon of the application"; kill "$PID"; return; }
  eval "$(xdotool getwindowgeometry --shell "$app" | grep -E '^(X|Y)=')"
  xdotool mousemove $((X + 40)) $((Y + 12)) click --repeat 2 --delay 80 1
  sleep 1
  enter_presses_ok "$f" minimise
}

# Enter in the read-only memo presses OK, as from every other control.
test_enter_in_the_memo_presses_ok() {
  local f; f=$(new_folder memo)
  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "memo: no window"; return; }
  window_origin
  xdotool mousemove $((X + 370)) $((Y + 150)) click 1
  sleep 0.5
  enter_presses_ok "$f" memo
}

# The memo is reached with Tab after キャンセル and scrolls from the keyboard;
# Enter there still presses OK.
test_memo_scrolls_from_the_keyboard() {
  local f; f=$(new_folder memo-keys)
  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "memo keys: no window"; return; }
  keys alt+e Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab
  local focus; focus=$(focus_settles 121)
  [ "${focus%% *}" = 121 ] || fail "memo keys: Tab after 図 reached [$focus], not the memo"
  local start; start=$("$WINE" "$read_strip" --memo 2>/dev/null)
  case "$start" in *"first shown 0") ;; *) fail "memo keys: Tab did not leave the memo at its start: $start";; esac
  keys Next Next
  sleep 0.3
  local memo; memo=$("$WINE" "$read_strip" --memo 2>/dev/null)
  case "$memo" in *"first shown 0") fail "memo keys: Page Down did not scroll: $memo";; esac
  enter_presses_ok "$f" "memo keys"
}

# The foot strip shows what OK would do, updated by each edit, exactly as the
# batch runner's --preview computes it for the same choices.
test_strip_shows_the_preview_after_edits() {
  local f; f=$(new_folder strip)
  { typical; crlf "BL 0 0 blk"; } > "$f/JWC_TEMP.TXT"
  crlf 0 0 1 1 1 0 0.1 0 1 0 0 0 > "$f/q836.dat"
  cp "$f/JWC_TEMP.TXT" "$work/strip.txt"
  cp "$f/q836.dat" "$work/strip.dat"
  start_dialog "$f" || { fail "strip: no window"; return; }
  local step expected actual
  strip_is() {  # strip_is NAME BATCH_OPTIONS...: compare with --preview
    step=$1; shift
    sleep 0.5
    expected=$("$batch" --preview --settings "$work/strip.dat" "$@" "$work/strip.txt" 2>/dev/null)
    actual=$("$WINE" "$read_strip" 2>/dev/null)
    [ "$actual" = "$expected" ] || fail "strip ($step): [$actual] instead of [$expected]"
  }
  strip_is points
  keys alt+s Down Tab Down  # markers, the second shape
  strip_is markers --marker 1
  keys alt+e Tab Tab Tab Tab Tab 5  # Edit1 selected, then typed over
  strip_is radius --marker 1 --radius 5
  keys alt+e space Tab space  # circles and arcs off: nothing to convert
  strip_is nothing --marker 1 --radius 5 --no-circles --no-arcs
  case "$actual" in *"ブロック図形1個"*) ;; *) fail "strip: no block warning";; esac
  case "$actual" in *"変換対象：0"*) ;; *) fail "strip: nothing chosen is not shown";; esac
  keys Escape
  wait_exit || { fail "strip: still running"; kill "$PID"; }
}

# The worst case of the strip: all five kinds chosen, long radii on both
# sides of the limit, block insertions. For several limits, the strip shows
# what --preview prints, and every line fits the strip in its own font.
test_strip_worst_case_fits() {
  local f; f=$(new_folder worst)
  worst_case_drawing > "$f/JWC_TEMP.TXT"
  crlf 0 0 1 1 0 1 200000 0 1 1 1 1 > "$f/q836.dat"
  cp "$f/JWC_TEMP.TXT" "$work/worst.txt"
  cp "$f/q836.dat" "$work/worst.dat"
  start_dialog "$f" || { fail "worst case: no window"; return; }
  local radius expected actual fit
  for radius in 200000 abcdefghijklmnop 0 123459; do
    keys alt+e Tab Tab Tab Tab Tab
    xdotool type --delay 20 "$radius"
    sleep 0.5
    expected=$("$batch" --preview --settings "$work/worst.dat" --radius "$radius" "$work/worst.txt" 2>/dev/null)
    actual=$("$WINE" "$read_strip" 2>/dev/null)
    [ "$actual" = "$expected" ] || fail "worst case ($radius): [$actual] instead of [$expected]"
    case "$actual" in *"半径："*) ;; *) fail "worst case ($radius): no radius line";; esac
    fit=$("$WINE" "$read_strip" --fit 2>/dev/null)
    case "$fit" in "fits "*) ;; *) fail "worst case ($radius): $fit";; esac
  done
  keys Escape
  wait_exit || { fail "worst case: still running"; kill "$PID"; }
}

# At 96, 120, 144 and 192 DPI the form and every control are the design
# scaled by DPI / 96 (within 2 px), every caption fits its control in the
# dialog's font at that DPI, every line of the memo stands whole beside its
# scroll bar, and so does the fullest strip: all five kinds with seven-digit
# counts, sixteen full-width characters in both edits, a million block
# insertions; the strip shows all seven lines that --preview prints.
test_layout_at_each_dpi() {
  local dpi geometry client fit memo width height actual expected view
  local sixteen="ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐ"
  fullest_drawing > "$work/fullest.txt"
  crlf 0 0 1 1 0 1 1 0 1 1 1 1 > "$work/fullest.dat"
  expected=$("$batch" --preview --settings "$work/fullest.dat" --radius "$sixteen" --scale "$sixteen" \
    "$work/fullest.txt" 2>/dev/null)
  for dpi in 96 120 144 192; do
    wine_set_dpi "$dpi"
    local f; f=$(new_folder "dpi-$dpi")
    cp "$work/fullest.txt" "$f/JWC_TEMP.TXT"
    cp "$work/fullest.dat" "$f/q836.dat"
    start_dialog "$f" || { fail "dpi $dpi: no window"; continue; }
    "$WINE" "$read_strip" --set 108 "$sixteen" 2>/dev/null
    "$WINE" "$read_strip" --set 128 "$sixteen" 2>/dev/null
    sleep 0.5
    geometry=$("$WINE" "$read_strip" --geometry 2>/dev/null)
    fit=$("$WINE" "$read_strip" --fit 2>/dev/null)
    memo=$("$WINE" "$read_strip" --memo 2>/dev/null)
    actual=$("$WINE" "$read_strip" 2>/dev/null)
    view=$("$WINE" "$read_strip" --view 2>/dev/null | head -1)
    keys Escape
    wait_exit || { fail "dpi $dpi: still running"; kill "$PID"; }
    client=$(sed -n 's/^dpi \([0-9]*\) client \([0-9]*\)x\([0-9]*\)$/\1 \2 \3/p' <<<"$geometry")
    read -r seen width height <<<"$client"
    [ "$seen" = "$dpi" ] || fail "dpi $dpi: the program sees [$geometry]"
    # The controls and, right of them, the drawing view: a square as high
    # as the client area (its client area inside a one-pixel border).
    local want_w=$(( (871 * dpi + 48) / 96 )) want_h=$(( (404 * dpi + 48) / 96 ))
    local vx vy vw vh
    read -r vx vy vw vh <<<"$(sed -n 's/^view //p' <<<"$view")"
    [ "${vw:-0}" = "${vh:-1}" ] && [ $((vh + 2 - want_h)) -ge -2 ] && [ $((vh + 2 - want_h)) -le 2 ] ||
      fail "dpi $dpi: the view is [$vw x $vh], not a square as high as the client area ($want_h)"
    [ "${width:-0}" -ge $((want_w - 2)) ] && [ "${width:-0}" -le $((want_w + 2)) ] &&
      [ "${height:-0}" -ge $((want_h - 2)) ] && [ "${height:-0}" -le $((want_h + 2)) ] ||
      fail "dpi $dpi: client ${width}x${height} instead of ${want_w}x${want_h}"
    grep -qx "controls fit" <<<"$geometry" || fail "dpi $dpi: $(grep -v '^dpi ' <<<"$geometry")"
    [ "$fit" = "fits 7 lines" ] || fail "dpi $dpi: strip: $fit"
    case "$memo" in "memo lines fit: "*) ;; *) fail "dpi $dpi: $memo";; esac
    memo=${memo%%,*}
    [ "$actual" = "$expected" ] || fail "dpi $dpi: the strip shows [$actual] instead of [$expected]"
    echo "dpi $dpi: client ${width}x${height}, $(tail -1 <<<"$geometry"), strip $fit, $memo"
  done
  wine_set_dpi "${Q836_WINE_DPI:-96}"
}

# The drawing view. A large circle (kept) fills the left of the view, a
# small one (converted) stands at its right.
view_drawing() { crlf lg0 ly1 lc2 "ci 0 0 10" "ci 40 0 0.05"; }
# "LC LK RC RK": pixels of the converted and the kept colour in the left
# and right halves of the view, once the picture has followed the edits.
view_counts() {
  sleep 0.7
  "$WINE" "$read_strip" --view 2>/dev/null |
    sed -n 's/^left converted \([0-9]*\) kept \([0-9]*\) right converted \([0-9]*\) kept \([0-9]*\)$/\1 \2 \3 \4/p'
}
view_field() {  # rect|hash: the view's place on the screen or its pixels' hash
  "$WINE" "$read_strip" --view 2>/dev/null | sed -n "s/^${1/rect/view} //p"
}

# The view marks in red what OK converts and in blue what it keeps, and
# follows an edit; a click on the kept circle types its radius into 半径,
# and Enter in the view then presses OK with it. At the suite's DPI and at
# 192 DPI.
test_view_marks_what_ok_converts() {
  local dpi f lc lk rc rk x y w h
  for dpi in "${Q836_WINE_DPI:-96}" 192; do
    wine_set_dpi "$dpi"
    f=$(new_folder "view-$dpi")
    view_drawing > "$f/JWC_TEMP.TXT"
    crlf 0 0 1 1 1 0 0.1 0 1 0 0 0 > "$f/q836.dat"
    start_dialog "$f" || { fail "view $dpi: no window"; continue; }
    read -r lc lk rc rk <<<"$(view_counts)"
    [ "${lk:-0}" -gt 0 ] && [ "${lc:-1}" -eq 0 ] && [ "${rc:-0}" -gt 0 ] ||
      fail "view $dpi: not blue left and red right: [$lc $lk $rc $rk]"
    keys alt+e Tab Tab Tab Tab Tab
    xdotool type --delay 20 20
    read -r lc lk rc rk <<<"$(view_counts)"
    [ "${lc:-0}" -gt 0 ] && [ "${lk:-1}" -eq 0 ] ||
      fail "view $dpi: the large circle did not turn red at 20: [$lc $lk $rc $rk]"
    keys alt+e Tab Tab Tab Tab Tab
    xdotool type --delay 20 0.1
    read -r lc lk rc rk <<<"$(view_counts)"
    [ "${lk:-0}" -gt 0 ] || fail "view $dpi: the large circle is not blue again at 0.1"
    # The leftmost point of the large circle: the margin of 8 pixels in, half way down.
    read -r x y w h <<<"$(view_field rect)"
    xdotool mousemove $((x + 8 * dpi / 96)) $((y + h / 2)) click 1
    sleep 0.5
    xdotool key --clearmodifiers Return
    wait_exit || { fail "view $dpi: Enter in the view did nothing"; kill "$PID"; continue; }
    [ "$(sed -n 7p "$f/q836.dat" | tr -d '\r')" = 10 ] ||
      fail "view $dpi: a click on the circle of radius 10 set 半径 to [$(sed -n 7p "$f/q836.dat")]"
    [ "$(grep -c '^pt ' "$f/JWC_TEMP.TXT")" = 2 ] || fail "view $dpi: OK did not convert both circles"
  done
  wine_set_dpi "${Q836_WINE_DPI:-96}"
}

# A lower limit typed into its edit keeps the small circle (blue) and the
# strip says what OK does, as the batch runner does; Shift+click on the small
# circle makes its radius the lower limit (red again); with 元の図形を残す
# (Alt+K) OK leaves both circles in the file beside their points.
test_view_lower_limit_and_kept_originals() {
  local f x y w h lc lk rc rk expected actual dpi=${Q836_WINE_DPI:-96}
  f=$(new_folder view-lower)
  view_drawing > "$f/JWC_TEMP.TXT"
  crlf 0 0 1 1 1 0 20 0 1 0 0 0 > "$f/q836.dat"
  expected=$("$batch" --preview --settings "$f/q836.dat" --radius-from 1 "$f/JWC_TEMP.TXT" 2>/dev/null)
  start_dialog "$f" || { fail "lower limit: no window"; return; }
  read -r lc lk rc rk <<<"$(view_counts)"
  [ "${lc:-0}" -gt 0 ] && [ "${rc:-0}" -gt 0 ] && [ "${lk:-1}" -eq 0 ] ||
    fail "lower limit: not both circles red at 20: [$lc $lk $rc $rk]"
  keys alt+e Tab Tab Tab Tab Tab Tab
  xdotool type --delay 20 1
  read -r lc lk rc rk <<<"$(view_counts)"
  [ "${lc:-0}" -gt 0 ] && [ "${rc:-1}" -eq 0 ] && [ "${rk:-0}" -gt 0 ] ||
    fail "lower limit: 1 did not keep the small circle (blue): [$lc $lk $rc $rk]"
  actual=$("$WINE" "$read_strip" 2>/dev/null)
  [ "$actual" = "$expected" ] || fail "lower limit: the strip shows [$actual] instead of [$expected]"
  # The small circle's centre, 8 pixels in from the right.
  read -r x y w h <<<"$(view_field rect)"
  xdotool mousemove $((x + w - 1 - 8 * dpi / 96)) $((y + h / 2)) keydown shift click 1 keyup shift
  read -r lc lk rc rk <<<"$(view_counts)"
  [ "${rc:-0}" -gt 0 ] || fail "lower limit: Shift+click on the small circle did not make it red"
  keys alt+k Return
  wait_exit || { fail "lower limit: OK did nothing"; kill "$PID"; return; }
  [ "$(sed -n 14p "$f/q836.dat" | tr -d '\r')" = 0.05 ] ||
    fail "lower limit: Shift+click set the lower limit to [$(sed -n 14p "$f/q836.dat")]"
  [ "$(sed -n 15p "$f/q836.dat" | tr -d '\r')" = 1 ] || fail "lower limit: Alt+K did not keep the originals"
  [ "$(grep -c '^ci ' "$f/JWC_TEMP.TXT")" = 2 ] && [ "$(grep -c '^pt ' "$f/JWC_TEMP.TXT")" = 2 ] ||
    fail "lower limit: the circles did not stay beside their points: $(tr -d '\r' < "$f/JWC_TEMP.TXT" | tr '\n' ' ')"
}

# A click on a candidate types its radius into 半径 as one step of the
# edit's undo: Ctrl+Z there brings the old limit back, and OK converts by it.
test_view_pick_is_undone_by_ctrl_z() {
  local f x y w h lc lk rc rk dpi=${Q836_WINE_DPI:-96}
  f=$(new_folder view-undo)
  view_drawing > "$f/JWC_TEMP.TXT"
  crlf 0 0 1 1 1 0 0.1 0 1 0 0 0 > "$f/q836.dat"
  start_dialog "$f" || { fail "view undo: no window"; return; }
  read -r lc lk rc rk <<<"$(view_counts)"
  [ "${lk:-0}" -gt 0 ] || fail "view undo: the large circle is not blue at 0.1: [$lc $lk $rc $rk]"
  read -r x y w h <<<"$(view_field rect)"
  xdotool mousemove $((x + 8 * dpi / 96)) $((y + h / 2)) click 1
  read -r lc lk rc rk <<<"$(view_counts)"
  [ "${lc:-0}" -gt 0 ] && [ "${lk:-1}" -eq 0 ] ||
    fail "view undo: a click on the large circle did not make it red: [$lc $lk $rc $rk]"
  keys alt+e Tab Tab Tab Tab Tab
  xdotool key --clearmodifiers ctrl+z
  read -r lc lk rc rk <<<"$(view_counts)"
  [ "${lk:-0}" -gt 0 ] || fail "view undo: Ctrl+Z did not make the large circle blue again"
  xdotool key --clearmodifiers Return
  wait_exit || { fail "view undo: Enter in 半径 did nothing"; kill "$PID"; return; }
  [ "$(sed -n 7p "$f/q836.dat" | tr -d '\r')" = 0.1 ] ||
    fail "view undo: Ctrl+Z after a pick left 半径 at [$(sed -n 7p "$f/q836.dat")]"
  [ "$(grep -c '^pt ' "$f/JWC_TEMP.TXT")" = 1 ] ||
    fail "view undo: OK did not convert by the limit Ctrl+Z brought back"
}

# Solids are filled lightly in the window. A pick shows the start of a long
# radius. Ctrl+Z in the view steps back through the picks to the typed
# limit, Ctrl+Y and Ctrl+Shift+Z forward again.
test_view_fills_solids_and_steps_through_picks() {
  local f x y w h dpi=${Q836_WINE_DPI:-96}
  f=$(new_folder view-picks)
  crlf lg0 ly1 lc2 "ci 0 0 10.000000000000002" "sc 40 0 3 1 0 6.28318530717959 0 0" > "$f/JWC_TEMP.TXT"
  crlf 0 0 1 1 1 0 0.1 0 1 1 0 0 > "$f/q836.dat"
  start_dialog "$f" || { fail "view picks: no window"; return; }
  sleep 0.7
  local fills; fills=$(view_field fill)
  [ "$(echo "$fills" | awk '{ print $4 }')" -gt 20 ] 2>/dev/null ||
    fail "view picks: the kept circle solid is not filled: [$fills]"
  radius() { "$WINE" "$read_strip" --radius 2>/dev/null; }
  read -r x y w h <<<"$(view_field rect)"
  xdotool mousemove $((x + 8 * dpi / 96)) $((y + h / 2)) click 1
  sleep 0.5
  [ "$(radius)" = "radius 10.000000000000002 first 0 caret 0" ] ||
    fail "view picks: a long radius is not shown from its start: [$(radius)]"
  xdotool mousemove $((x + w - 8 * dpi / 96)) $((y + h / 2)) click 1
  sleep 0.5
  [ "$(radius | cut -d' ' -f2)" = 3 ] || fail "view picks: the solid's pick gave [$(radius)]"
  fills=$(view_field fill)
  [ "$(echo "$fills" | awk '{ print $2 }')" -gt 20 ] 2>/dev/null ||
    fail "view picks: the converted circle solid is not filled: [$fills]"
  local step want
  for step in "ctrl+z 10.000000000000002" "ctrl+z 0.1" "ctrl+z 0.1" "ctrl+y 10.000000000000002" \
              "ctrl+shift+z 3" "ctrl+y 3" "ctrl+z 10.000000000000002" "ctrl+z 0.1"; do
    read -r key want <<<"$step"
    xdotool key --clearmodifiers "$key"
    sleep 0.3
    [ "$(radius | cut -d' ' -f2)" = "$want" ] ||
      fail "view picks: $key in the view gave [$(radius)] instead of $want"
  done
  xdotool key --clearmodifiers Return
  wait_exit || { fail "view picks: Enter in the view did nothing"; kill "$PID"; return; }
  [ "$(sed -n 7p "$f/q836.dat" | tr -d '\r')" = 0.1 ] ||
    fail "view picks: the picks undone left 半径 at [$(sed -n 7p "$f/q836.dat")]"
}

# The view explains itself: a legend in the colours in use, a note where
# the selection is empty, and zooming out stops while the drawing can
# still be seen.
test_view_explains_itself() {
  local f x y w h lc lk rc rk legend note
  f=$(new_folder view-legend)
  view_drawing > "$f/JWC_TEMP.TXT"
  crlf 0 0 1 1 1 0 0.1 0 1 0 0 0 > "$f/q836.dat"
  start_dialog "$f" || { fail "view legend: no window"; return; }
  sleep 0.7
  legend=$(view_field legend)
  for colour in dc2800 005ac8 aaaaaa; do
    case " $legend " in *" $colour "*) ;; *) fail "view legend: no $colour in the legend: [$legend]";; esac
  done
  note=$(view_field note)
  [ "${note:-1}" -eq 0 ] || fail "view legend: a note over a drawing: [$note]"
  read -r x y w h <<<"$(view_field rect)"
  xdotool mousemove $((x + w / 2)) $((y + h / 4)) click 1
  sleep 0.3
  xdotool click --repeat 30 --delay 40 5
  read -r lc lk rc rk <<<"$(view_counts)"
  [ $((lc + lk + rc + rk)) -gt 40 ] ||
    fail "view legend: zoomed out the drawing is a dot: [$lc $lk $rc $rk]"
  keys Escape
  wait_exit || { fail "view legend: still running"; kill "$PID"; return; }
  f=$(new_folder view-empty)
  crlf lg0 ly1 > "$f/JWC_TEMP.TXT"
  crlf 0 0 1 1 1 0 0.1 0 1 0 0 0 > "$f/q836.dat"
  start_dialog "$f" || { fail "view empty: no window"; return; }
  sleep 0.7
  note=$(view_field note)
  [ "${note:-0}" -gt 50 ] || fail "view empty: no note in an empty view: [$note]"
  keys Escape
  wait_exit || { fail "view empty: still running"; kill "$PID"; }
}

# The wheel zooms and a drag pans the picture; a double click fits it
# again. Esc in the focused view presses Cancel.
test_view_zooms_pans_and_cancels() {
  local f x y w h first zoomed panned fitted
  f=$(new_folder view-zoom)
  view_drawing > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "view zoom: no window"; return; }
  sleep 0.7
  read -r x y w h <<<"$(view_field rect)"
  # A click where no figure is gives the view the focus (and its rectangle).
  xdotool mousemove $((x + w / 2)) $((y + h / 4)) click 1
  sleep 0.7
  first=$(view_field hash)
  xdotool click 4
  sleep 0.7
  zoomed=$(view_field hash)
  [ -n "$zoomed" ] && [ "$zoomed" != "$first" ] || fail "view zoom: the wheel changed nothing"
  xdotool mousedown 1 mousemove $((x + w / 2 + 60)) $((y + h / 4 + 20)) sleep 0.2 mouseup 1
  sleep 0.7
  panned=$(view_field hash)
  [ "$panned" != "$zoomed" ] || fail "view zoom: dragging changed nothing"
  xdotool click --repeat 2 --delay 80 1
  sleep 0.7
  fitted=$(view_field hash)
  [ "$fitted" = "$first" ] || fail "view zoom: a double click did not fit the picture again"
  local focus; focus=$(focus_settles 131)
  [ "${focus%% *}" = 131 ] || fail "view zoom: a click left the focus on [$focus]"
  xdotool key --clearmodifiers Escape
  wait_exit || { fail "view zoom: Esc in the view did nothing"; kill "$PID"; return; }
  cmp -s "$f/JWC_TEMP.TXT" <(crlf hq) || fail "view zoom: Esc in the view did not cancel"
}

# 図(&V) hides the view (the window narrows to the controls) and shows it
# again; OK remembers the choice for the next run.
test_view_button_hides_and_remembers() {
  local f width want_shown want_hidden dpi=${Q836_WINE_DPI:-96}
  want_shown=$(( (871 * dpi + 48) / 96 )) want_hidden=$(( (467 * dpi + 48) / 96 ))
  client_width() { "$WINE" "$read_strip" --geometry 2>/dev/null | sed -n 's/^dpi [0-9]* client \([0-9]*\)x.*/\1/p'; }
  f=$(new_folder view-button)
  typical > "$f/JWC_TEMP.TXT"
  crlf 0 0 1 1 1 0 0.1 0 1 0 0 0 > "$f/q836.dat"
  start_dialog "$f" || { fail "view button: no window"; return; }
  width=$(client_width)
  [ $((width - want_shown)) -ge -2 ] && [ $((width - want_shown)) -le 2 ] ||
    fail "view button: shown at first, the client is $width wide, not $want_shown"
  keys alt+v
  sleep 0.5
  "$WINE" "$read_strip" --view 2>/dev/null | grep -qx "view hidden" ||
    fail "view button: Alt+V did not hide the view"
  width=$(client_width)
  [ $((width - want_hidden)) -ge -2 ] && [ $((width - want_hidden)) -le 2 ] ||
    fail "view button: hidden, the client is $width wide, not $want_hidden"
  keys alt+y
  wait_exit || { fail "view button: OK did nothing"; kill "$PID"; return; }
  [ "$(sed -n 13p "$f/q836.dat" | tr -d '\r')" = 0 ] || fail "view button: hidden is not remembered"
  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "view button: no second window"; return; }
  "$WINE" "$read_strip" --view 2>/dev/null | grep -qx "view hidden" ||
    fail "view button: the view is not hidden in the next run"
  keys alt+v alt+y
  wait_exit || { fail "view button: OK did nothing"; kill "$PID"; return; }
  [ "$(sed -n 13p "$f/q836.dat" | tr -d '\r')" = 1 ] || fail "view button: shown is not remembered"
}

# The colours a high-contrast scheme gives (Wine does not report the scheme,
# so the colours alone must switch the dialog to the system's): every
# caption, the memo, the status line and the strip stand out from their
# background, as they do in the standard scheme. A scheme switched while the
# dialog is open is shown on Windows only: a Wine process keeps the colours
# it started with, even when another one calls SetSysColors.
test_high_contrast_captions_stand_out() {
  local f scheme result want
  for scheme in standard high; do
    f=$(new_folder "contrast-$scheme")
    { typical; crlf "BL 0 0 b"; } > "$f/JWC_TEMP.TXT"
    crlf 0 0 1 1 0 1 0.1 0 1 0 0 0 > "$f/q836.dat"
    [ "$scheme" = high ] && wine_set_colours "0 0 0" "255 255 255" "0 0 0" "255 255 255" "26 235 255"
    start_dialog "$f" || { fail "contrast ($scheme): no window"; continue; }
    "$WINE" "$read_strip" --set 128 abc 2>/dev/null  # a red line in the strip
    sleep 0.5
    result=$("$WINE" "$read_strip" --contrast 2>/dev/null)
    local legend; legend=$(view_field legend)
    echo "legend ($scheme scheme):$legend"
    if [ "$scheme" = high ]; then
      # The scheme's own: converted in its highlight, kept in its text colour.
      for colour in 1aebff ffffff; do
        case " $legend " in *" $colour "*) ;; *) fail "contrast (high): no $colour in the legend: [$legend]";; esac
      done
    fi
    keys Escape
    wait_exit || { fail "contrast ($scheme): still running"; kill "$PID"; }
    want="captions stand out on 255 255 255"
    [ "$scheme" = high ] && want="captions stand out on 0 0 0"
    [ "$result" = "$want" ] || fail "contrast ($scheme): $(tr '\n' ' ' <<<"$result")"
    echo "contrast ($scheme scheme): $result"
  done
  wine_set_colours
}

test_banner_request() {
  [ -n "$banner_exe" ] || return 0
  local port=18836 log="$work/http.log"
  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work" >"$log" 2>&1 &
  local server=$!
  sleep 0.5
  local f; f=$(new_folder banner "$banner_exe")
  typical > "$f/JWC_TEMP.TXT"
  start_dialog "$f" || { fail "banner: no window"; kill $server; return; }
  sleep 2
  keys Escape
  wait_exit || kill "$PID"
  local f2; f2=$(new_folder plain)
  typical > "$f2/JWC_TEMP.TXT"
  start_dialog "$f2" && { sleep 2; keys Escape; wait_exit || kill "$PID"; }
  kill $server
  local n; n=$(grep -c '"GET /pr/ ' "$log")
  [ "$n" -eq 1 ] || fail "banner: $n requests for /pr/ instead of 1 (the default build must make none)"
}

tests=(test_cancel_writes_hq_and_keeps_settings test_escape_and_close_box_cancel
       test_ok_matches_the_batch_runner test_saved_position_is_restored
       test_missing_exchange_file_gives_zero_counts test_failed_read_disables_ok
       test_unreadable_value_disables_ok test_tab_order_cycles_through_the_controls
       test_access_keys_move_to_the_groups test_arrow_keys_stay_on_controls
       test_neither_radio_shows_markers
       test_enter_and_escape_from_the_drop_down
       test_focus_returns_after_switching_programs test_keys_work_after_minimise_and_restore
       test_enter_in_the_memo_presses_ok test_strip_shows_the_preview_after_edits
       test_strip_worst_case_fits test_failed_write_is_told test_held_file_is_retried
       test_second_start_brings_the_first test_high_contrast_captions_stand_out
       test_memo_scrolls_from_the_keyboard
       test_view_marks_what_ok_converts test_view_lower_limit_and_kept_originals
       test_view_pick_is_undone_by_ctrl_z
       test_view_fills_solids_and_steps_through_picks test_view_explains_itself
       test_view_zooms_pans_and_cancels
       test_view_button_hides_and_remembers
       test_layout_at_each_dpi test_banner_request)
start=$(date +%s)
[ -n "${Q836_WINE_TESTS:-}" ] && read -r -a tests <<<"$Q836_WINE_TESTS"
for t in "${tests[@]}"; do
  before=$failures
  $t
  [ $failures -eq $before ] && echo "ok: $t"
done
echo "wine dialog tests: $failures failure(s) in $(( $(date +%s) - start )) s"
exit $((failures > 0))
