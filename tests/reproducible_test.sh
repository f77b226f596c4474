#!/usr/bin/env bash
# Builds the release packages twice, in two folders and at two different
# times, and checks that the zips are the same bytes.
#   reproducible_test.sh
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for build in first second; do
  Q836_BUILD_ROOT="$work/$build/build" Q836_DIST="$work/$build/dist" \
    "$root/scripts/package" >/dev/null || { echo "FAIL: the $build package build failed"; exit 1; }
  sleep 2  # the second build runs at another time
done
failures=0
for zip in "$work/first/dist/"*.zip; do
  name=$(basename "$zip")
  cmp -s "$zip" "$work/second/dist/$name" || { echo "FAIL: $name differs between two builds"; failures=$((failures + 1)); }
done
cmp -s "$work/first/dist/SHA256SUMS" "$work/second/dist/SHA256SUMS" ||
  { echo "FAIL: SHA256SUMS differ"; failures=$((failures + 1)); }
[ "$(ls "$work/first/dist" | wc -l)" -eq 3 ] || { echo "FAIL: not two zips and SHA256SUMS"; failures=$((failures + 1)); }
(cd "$work/first/dist" && sha256sum --quiet -c SHA256SUMS) || { echo "FAIL: SHA256SUMS does not match"; failures=$((failures + 1)); }
[ $failures -eq 0 ] && echo "two builds gave the same packages: $(cut -c1-16 "$work/first/dist/SHA256SUMS" | tr '\n' ' ')"
exit $((failures > 0))
