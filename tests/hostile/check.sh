#!/usr/bin/env bash
# check.sh TOOL [FOLDER] — makes the hostile files (make-files.py) in FOLDER (a temporary folder when none
# is named) and runs each through `TOOL info` and `TOOL thumbnail`, measuring each whole process with
# /usr/bin/time: every run must end within 2.5 s and 300 MB, whether it succeeds or not, and must not
# crash. TOOL is the optimised image tool (build/bench/bin/lumetta-tool). Prints one line a run.
set -uo pipefail
tool=$1
here=$(cd "$(dirname "$0")" && pwd)
folder=${2:-}
if [ -z "$folder" ]; then
  folder=$(mktemp -d)
  trap 'rm -rf "$folder"' EXIT
fi
max_seconds=2.5
max_kb=$((300 * 1024))
[ -x "$tool" ] || { echo "$tool is missing (build the bench preset: cmake --build --preset bench --target lumetta-tool)"; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)"; exit 1; }
python3 "$here/make-files.py" "$folder" || exit 1

status=0
echo "each run within ${max_seconds} s and 300 MB (whole process, /usr/bin/time); the machine's load counts too"
printf '%-10s %8s %8s %6s  %s\n' command seconds MB exit file
out=$(mktemp)
measured=$(mktemp)
for file in "$folder"/*; do
  for command in info thumbnail; do
    if [ "$command" = info ]; then
      args=(info "$file")
    else
      args=(thumbnail "$file" "$out")
    fi
    /usr/bin/time -o "$measured" -f '%e %M %x' "$tool" "${args[@]}" >/dev/null 2>&1
    read -r seconds kb code < <(tail -1 "$measured")
    # A process killed by a signal: time says so on a line of its own and gives no status.
    grep -q 'signal' "$measured" && code=signal
    mb=$((kb / 1024))
    verdict=ok
    # 0 and 1 are the tool's answers (read, or could not be read); anything else is a crash.
    if [ "$code" != 0 ] && [ "$code" != 1 ]; then verdict="CRASHED"; fi
    if awk -v s="$seconds" -v m="$max_seconds" 'BEGIN { exit !(s > m) }'; then verdict="TOO SLOW"; fi
    if [ "$kb" -gt "$max_kb" ]; then verdict="TOO LARGE"; fi
    [ "$verdict" = ok ] || status=1
    printf '%-10s %8s %8s %6s  %s %s\n' "$command" "$seconds" "$mb" "$code" "$(basename "$file")" \
      "$([ "$verdict" = ok ] || echo "<- $verdict")"
  done
done
rm -f "$out" "$measured"
exit $status
