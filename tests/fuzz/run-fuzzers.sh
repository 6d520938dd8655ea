#!/usr/bin/env bash
# run-fuzzers.sh BUILD SECONDS [TARGET...] — runs each fuzz target (all when none is named) for SECONDS
# at the lowest priority, one after another, and prints executions and coverage per target.
#   BUILD/tests/fuzz_<target>   the libFuzzer executables (the "fuzz" preset)
#   BUILD/fuzz-seeds/<target>   seeds, made once by make-seeds.sh
#   BUILD/fuzz-corpus/<target>  the corpus each run grows and the next run starts from
#   BUILD/fuzz-findings/        an input that crashed, leaked or broke a target's promise
# SMOKE=1 starts from the seeds alone and keeps nothing (the short run of every ./test).
# Exits non-zero when any target found something; the finding is printed with its reproduction.
set -uo pipefail
build=$1
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(image_file thumbnail writers update_records statements file_description)

seeds=$build/fuzz-seeds
[ -d "$seeds" ] || "$here/make-seeds.sh" "$seeds" || exit 1
findings=$build/fuzz-findings
mkdir -p "$findings"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
printf '%-18s %12s %8s %8s %8s  %s\n' target executions exec/s cov features result
for target in "${targets[@]}"; do
  exe=$build/tests/fuzz_$target
  [ -x "$exe" ] || { echo "$exe is missing (build the fuzz preset)"; exit 1; }
  if [ "${SMOKE:-0}" = 1 ]; then
    corpus=$(mktemp -d)
  else
    corpus=$build/fuzz-corpus/$target
    mkdir -p "$corpus"
  fi
  [ -d "$seeds/$target" ] || cp -r "$seeds/image_file" "$seeds/$target"  # the thumbnail takes the images
  # A smoke run beside a long one must not write over the long one's log.
  log=$build/fuzz-$target${SMOKE:+-smoke}.log
  # -timeout: one input taking longer than this is a finding (a decoder that does not stop; generous, as the
  # runs take only the CPU time that nothing else wants). The thumbnail target runs in the menu's budget
  # of 2 s: past a few seconds more (the sanitizers' slowness, the last step) an input holds the menu.
  # -rss_limit_mb: the ceiling of every decode, 1 GiB; the targets decode under 64 and 128 MiB, so a
  # process past the ceiling holds memory that no ceiling counted.
  timeout=120
  [ "$target" = thumbnail ] && timeout=6
  nice -n 19 "$exe" "$corpus" "$seeds/$target" -max_total_time="$seconds" -timeout=$timeout -rss_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$findings/$target-" >"$log" 2>&1
  rc=$?
  # The log holds input bytes now and then (dictionary entries): read it as text regardless.
  execs=$(grep -a '^stat::number_of_executed_units:' "$log" | tail -1 | tr -dc 0-9)
  speed=$(grep -a '^stat::average_exec_per_sec:' "$log" | tail -1 | tr -dc 0-9)
  cov=$(grep -ao 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -ao 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  result=ok
  if [ $rc -ne 0 ]; then
    result="FOUND (log $log)"
    status=1
  fi
  printf '%-18s %12s %8s %8s %8s  %s\n' "$target" "${execs:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" "$result"
  if [ $rc -ne 0 ]; then
    grep -aE 'ERROR|SUMMARY|runtime error|Test unit written|deadly signal' "$log" | head -8 | sed 's/^/    /'
  fi
  [ "${SMOKE:-0}" = 1 ] && rm -rf "$corpus"
done
exit $status
