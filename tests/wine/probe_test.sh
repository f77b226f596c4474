#!/usr/bin/env bash
# What the Wine test scripts do on each kind of machine: the loader is the
# one that runs, 32-bit tests are skipped with one line where the machine
# cannot run 32-bit programs (and only there), fail where the installation is
# at fault, and a prefix that cannot be made stops a suite at once with
# Wine's own words. Machines that cannot run 32-bit programs are stood in for
# by a loader of a foreign machine (the kernel refuses it as it refuses an
# i386 one there) and by the Q836_NO_32BIT switch.
#   probe_test.sh Q836_EXE Q836_EXE_32 Q836_BATCH
set -u
# Each case sets the switch itself; one given to the whole suite is not theirs.
unset Q836_NO_32BIT Q836_WINE32_LOADER
exe64=$1
exe32=$2
batch=$3
unit32="$(dirname "$exe32")/text_tests.exe"  # the 32-bit build's unit tests, beside it
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A loader the kernel cannot execute: an ELF file of an unknown machine.
cp "$(type -P true)" "$work/foreign"
printf '\x99\x99' | dd of="$work/foreign" bs=1 seek=18 conv=notrunc 2>/dev/null
# A loader that runs but fails for its own reason.
printf '#!/bin/sh\necho "wine: broken installation" >&2\nexit 3\n' > "$work/broken"
chmod +x "$work/broken"

# Runs a 32-bit exe the way CTest does, in an environment of ENV=VALUE
# words; prints the exit status, then the output.
run32() {
  env "$@" "$here/run-in-wine" "$unit32" --gtest_list_tests 2>&1
  echo "status $?"
}

skip_line() {
  echo "32-bit programs cannot run on this machine ($1): the 32-bit tests are skipped"
}

# name | environment | expected status | expected words in the output
cases=(
  "switch|Q836_NO_32BIT=1|77|$(skip_line "Q836_NO_32BIT is set")"
  "kernel without 32-bit emulation|Q836_WINE32_LOADER=$work/foreign|77|$(skip_line "the kernel's 32-bit emulation is off")"
  "wine32 missing|Q836_WINE32_LOADER=$work/none|1|$work/none is missing: install wine32:i386"
  "broken loader|Q836_WINE32_LOADER=$work/broken|1|wine: broken installation"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name environment status words <<<"$c"
  out=$(run32 "$environment")
  [ "$(tail -1 <<<"$out")" = "status $status" ] || fail "$name: $(tail -1 <<<"$out") instead of $status"
  grep -q -F -- "$words" <<<"$out" || fail "$name: the output does not say [$words]: $out"
  # The 32-bit dialog suite stops the same way, before any window or prefix.
  env "$environment" "$here/dialog_test.sh" "$exe32" "$batch" >"$work/dialog" 2>&1
  got=$?
  [ "$got" = "$status" ] || fail "$name: the 32-bit dialog suite exited $got instead of $status"
  grep -q -F -- "$words" "$work/dialog" || fail "$name: the dialog suite does not say [$words]"
  # The 64-bit loader is the one chosen then.
  loader=$(env "$environment" bash -c 'source "$1/wine_env.sh"; echo "$WINE"' _ "$here")
  [ "$loader" = /usr/lib/wine/wine64 ] || fail "$name: $loader chosen instead of wine64"
done

# Where the 32-bit loader runs, nothing is skipped and it starts both kinds.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  loader=$(bash -c 'source "$1/wine_env.sh"; echo "$WINE"' _ "$here")
  [ "$loader" = /usr/lib/wine/wine ] || fail "a machine that runs 32-bit programs chose $loader"
  out=$(run32)
  [ "$(tail -1 <<<"$out")" = "status 0" ] || fail "the 32-bit unit tests did not run here: $out"
else
  echo "note: this machine cannot run 32-bit programs; only the stand-ins were tried"
fi

# A 64-bit exe is never skipped, whatever the probe says.
(export Q836_NO_32BIT=1; source "$here/wine_env.sh"; exit_unless_runnable "$exe64"; exit 5)
[ $? = 5 ] || fail "a 64-bit exe was held back by the 32-bit probe"

# A prefix that cannot be made: the suite says why once and stops.
touch "$work/not-a-folder"
start=$SECONDS
WINEPREFIX="$work/not-a-folder" "$here/dialog_test.sh" "$exe64" "$batch" >"$work/dialog" 2>&1
got=$?
[ "$got" = 1 ] || fail "a prefix that cannot be made: the suite exited $got"
grep -q "could not be made" "$work/dialog" || fail "a prefix that cannot be made is not told: $(cat "$work/dialog")"
grep -q "not-a-folder" "$work/dialog" || fail "Wine's own words are missing: $(cat "$work/dialog")"
grep -q "window never appeared" "$work/dialog" && fail "the suite went on without a prefix"
echo "a prefix that cannot be made stopped the suite after $((SECONDS - start)) s with:"
sed 's/^/  /' "$work/dialog"

echo "probe tests: $failures failure(s)"
exit $((failures > 0))
