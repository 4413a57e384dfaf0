#!/usr/bin/env bash
# Longer libFuzzer runs than the test suite makes, outside CI.
#
#   scripts/fuzz.sh [SECONDS] [TARGET] [--update-corpus]
#
# Builds the fuzz configuration (clang, build/fuzz) and runs every target,
# or only TARGET, for SECONDS each (default 300), one after the other. Each
# starts from a scratch copy of its committed seed corpus
# (tests/au/fuzz/corpus/NAME, NAME being the target without "fuzz_") under
# build/fuzz-runs/NAME/, reads the inputs of past findings
# (tests/au/fuzz/regressions/NAME) too, and uses tests/au/fuzz/NAME.dict
# when there is one. Prints executions, corpus size and findings per target;
# exits 1 when any target found something.
#
# A finding leaves its input in build/fuzz-runs/NAME/ (crash-*, leak-*,
# oom-*, timeout-*). Minimize it (the target with -minimize_crash=1
# -runs=10000 -exact_artifact_path=OUT INPUT), fix the fault and commit the
# small input under tests/au/fuzz/regressions/NAME/: the normal test suite
# replays every committed input (AUFuzzReplay in test_au).
#
# --update-corpus merges what the run kept into a fresh minimal corpus
# (-set_cover_merge=1; seeds named by hand are kept under their names) and
# puts it in place of tests/au/fuzz/corpus/NAME, to commit.
#
# CORVANE_BUILD_LOCK=FILE runs the build steps under flock FILE (the runs
# themselves take one core each and hold no lock).
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH=300
ONLY=""
UPDATE=0
for arg in "$@"; do
  case $arg in
    --update-corpus) UPDATE=1 ;;
    ''|*[!0-9]*) ONLY=$arg ;;
    *) SECONDS_EACH=$arg ;;
  esac
done

TARGETS=(fuzz_au_entry fuzz_au_state fuzz_aupreset_file)
if [[ -n $ONLY ]]; then
  if [[ ! " ${TARGETS[*]} " =~ " $ONLY " ]]; then
    echo "unknown target $ONLY (targets: ${TARGETS[*]})" >&2
    exit 2
  fi
  TARGETS=("$ONLY")
fi

locked() {
  if [[ -n ${CORVANE_BUILD_LOCK:-} ]]; then flock "$CORVANE_BUILD_LOCK" "$@"; else "$@"; fi
}

locked cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCORVANE_SANITIZE=fuzz -DCORVANE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
locked cmake --build build/fuzz -j "$(nproc)" --target "${TARGETS[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

SUMMARY=()
FOUND=0
for target in "${TARGETS[@]}"; do
  name=${target#fuzz_}
  seeds=tests/au/fuzz/corpus/$name
  regressions=tests/au/fuzz/regressions/$name
  work=build/fuzz-runs/$name
  rm -rf "$work"
  mkdir -p "$work/corpus"
  if [[ -d $seeds ]]; then cp "$seeds"/. "$work/corpus/" -r; fi
  seeded=$(find "$work/corpus" -type f | wc -l)
  args=(-max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -timeout=30 -print_final_stats=1
        -artifact_prefix="$work/")
  [[ -f tests/au/fuzz/$name.dict ]] && args+=(-dict="tests/au/fuzz/$name.dict")
  dirs=("$work/corpus")
  [[ -d $regressions ]] && dirs+=("$regressions")

  echo "== $target: ${SECONDS_EACH} s from $seeded seed inputs"
  status=0
  "build/fuzz/tests/au/fuzz/$target" "${args[@]}" "${dirs[@]}" >"$work/log.txt" 2>&1 || status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt" | tail -n 1)
  # Coverage (edges) and corpus (inputs/bytes) when loaded and at the end.
  first=$(grep -m 1 'INITED' "$work/log.txt" || true)
  last=$(grep ' corp: ' "$work/log.txt" | tail -n 1 || true)
  cov() { sed -n 's/.* cov: \([0-9]*\) .*/\1/p' <<<"$1"; }
  corp() { sed -n 's/.* corp: \([0-9]*\/[0-9]*[a-zA-Z]*\) .*/\1/p' <<<"$1"; }
  progress="coverage $(cov "$first") -> $(cov "$last") edges, corpus $(corp "$first") -> $(corp "$last")"
  findings=$(find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'oom-*' \
    -o -name 'timeout-*' \) | sort)
  if [[ $status -ne 0 || -n $findings ]]; then
    FOUND=1
    tail -n 40 "$work/log.txt"
    line="$target: ${executions:-?} executions, $progress, FOUND (status $status): ${findings:-see $work/log.txt}"
  else
    line="$target: ${executions:-?} executions, $progress, no findings"
  fi
  if [[ $UPDATE -eq 1 && $status -eq 0 ]]; then
    mkdir -p "$work/merged"
    # Seeds written by hand keep their names; the merge adds what they miss.
    find "$seeds" -maxdepth 1 -type f ! -regex '.*/[0-9a-f]\{40\}' -exec cp {} "$work/merged/" \;
    "build/fuzz/tests/au/fuzz/$target" -set_cover_merge=1 -rss_limit_mb=2048 "$work/merged" "$work/corpus" \
      >"$work/merge.txt" 2>&1
    rm -rf "$seeds"
    mkdir -p "$seeds"
    cp "$work/merged"/. "$seeds/" -r
    line+="; committed corpus now $(find "$seeds" -type f | wc -l) inputs"
  fi
  echo "$line"
  SUMMARY+=("$line")
done

echo "== summary"
printf '%s\n' "${SUMMARY[@]}"
exit $FOUND
