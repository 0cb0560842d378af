#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs each target, or the ones named, for a while, starting from seeds the project
# makes itself (fuzz/make_fuzz_corpus) plus fuzz/regressions/<target>/.
#
#   scripts/fuzz.sh [-t seconds per target] [-j targets at once] [target ...]
#
# Prints one line per target: executions, coverage (edges), features, corpus size, and the crash file
# when there is one. Crashing inputs are kept in build-fuzz/crashes/<target>/; copy one into
# fuzz/regressions/<target>/ once it is fixed, so every build replays it.
# Exit codes: 0 no target crashed, 1 a target crashed (or its fuzzer failed), 2 usage or build error.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=300
parallel=3
while getopts "t:j:h" opt; do
  case "$opt" in
    t) seconds="$OPTARG" ;;
    j) parallel="$OPTARG" ;;
    *) sed -n '2,12p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

# The fuzzing compiler and runtime are only needed here, so they are installed here, not by setup.sh.
need=()
command -v clang++ >/dev/null || need+=(clang)
dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "install ok installed" || need+=(libclang-rt-14-dev)
if [ "${#need[@]}" -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

all_targets=()
for f in fuzz/*_fuzz.cpp; do
  name="$(basename "$f" .cpp)"
  all_targets+=("${name%_fuzz}")
done
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then targets=("${all_targets[@]}"); fi
for t in "${targets[@]}"; do
  if [ ! -f "fuzz/${t}_fuzz.cpp" ]; then
    echo "fuzz: no target '$t' (known: ${all_targets[*]})" >&2
    exit 2
  fi
done

build=build-fuzz
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_FUZZ=ON \
  -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null || exit 2
build_targets=(make_fuzz_corpus)
for t in "${targets[@]}"; do build_targets+=("${t}_fuzzer"); done
cmake --build "$build" -j "${ORVANE_FUZZ_BUILD_JOBS:-3}" --target "${build_targets[@]}" >/dev/null || exit 2

corpus="$build/corpus"
seeds="$build/seeds"
rm -rf "$seeds"
"$build/fuzz/make_fuzz_corpus" "$seeds" || exit 2

# Only crashes stop a run; leaks are Debian's libraries' (LibRaw), not ours.
export ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_one() {
  local t="$1"
  mkdir -p "$corpus/$t" "$build/crashes/$t" "$build/logs"
  local extra=()
  [ -d "$seeds/$t" ] && extra+=("$seeds/$t")
  [ -d "fuzz/regressions/$t" ] && extra+=("fuzz/regressions/$t")
  local log="$build/logs/$t.log"
  local rc=0
  "$build/fuzz/${t}_fuzzer" "$corpus/$t" "${extra[@]}" -max_total_time="$seconds" -max_len=1048576 \
    -rss_limit_mb=4096 -timeout=30 -print_final_stats=1 -artifact_prefix="$build/crashes/$t/" >"$log" 2>&1 || rc=$?
  local status execs cov ft corp crash
  status="$(grep -E '^#[0-9]+' "$log" | tail -1 || true)"
  execs="$(grep -E 'stat::number_of_executed_units' "$log" | awk '{print $2}' | tail -1)"
  cov="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status")"
  ft="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status")"
  corp="$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$status")"
  crash="$(sed -n 's/.*Test unit written to \(.*\)/\1/p' "$log" | tail -1)"
  if [ "$rc" -eq 0 ]; then
    printf '%-18s ok     execs=%s cov=%s ft=%s corpus=%s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}"
  else
    printf '%-18s CRASH  execs=%s cov=%s ft=%s corpus=%s input=%s log=%s\n' "$t" "${execs:-?}" "${cov:-?}" \
      "${ft:-?}" "${corp:-?}" "${crash:-?}" "$log"
    return 1
  fi
}

failed=0
running=0
for t in "${targets[@]}"; do
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit "$failed"
