# The fullest foot strip: every candidate kind with long radii on both sides
# of a limit of 200000, and 1234 block insertions. Source it; it defines
# worst_case_drawing, which prints the exchange file (CR LF lines).
worst_case_drawing() {
  local kind r tail i
  for kind in "ci 0 0 " "sc 0 0 " "se 0 0 " "so 0 0 "; do
    tail=" 1 0 6.28 0 0"; [ "$kind" = "ci 0 0 " ] && tail=""
    for r in 123456.789012345 123457.789012345 123458.789012345 123459.789012345 \
             223456.789012345 323456.789012345 423456.789012345 523456.789012345; do
      for i in 1 2 3; do printf '%s\r\n' "$kind$r$tail"; done
    done
  done
  printf '%s\r\n' "ci 0 0 123456.789012345 0 0 1 1"
  for i in $(seq 1 1234); do printf '%s\r\n' "BL 0 0 b"; done
}

# The fullest state of the strip: a million figures of each of the five kinds
# (seven-digit counts) and a million block insertions. Prints the exchange
# file (CR LF lines).
fullest_drawing() {
  local line
  for line in "ci 0 0 1" "ci 0 0 1 0 0 1 1" "sc 0 0 1 1 0 6.28 0 0" "se 0 0 1 1 0 6.28 0 0" \
              "so 0 0 1 1 0 6.28 0 0" "BL 0 0 b"; do
    yes "$line"$'\r' | head -n 1000000 || true  # yes ends by SIGPIPE
  done
}
