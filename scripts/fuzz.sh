#!/usr/bin/env bash
# Longer libFuzzer runs than the test suite makes, outside CI.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...] [--runs N] [--parallel N] [--update-corpus]
#
# Builds the fuzz configuration (clang, build/fuzz) and runs every target,
# or only the TARGETs named, each for SECONDS (default 300) or N executions
# (--runs), whichever comes first, N targets at a time (--parallel, default
# 1; one core each). The targets:
#
#   fuzz_au_entry        the Audio Unit component entry      tests/au/fuzz
#   fuzz_au_state        class-info, state and bank restores tests/au/fuzz
#   fuzz_aupreset_file   the .aupreset reader                tests/au/fuzz
#   fuzz_lv2_instance    the LV2 instance, descriptor only   tests/fuzz
#   fuzz_audio_reader    the command's audio files           tests/fuzz
#   fuzz_editor_events   the editor's mouse and key events   tests/fuzz
#
# Each starts from a scratch copy of its committed seed corpus
# (FOLDER/corpus/NAME, NAME being the target without "fuzz_") under
# build/fuzz-runs/NAME/, reads the inputs of past findings
# (FOLDER/regressions/NAME) too, and uses FOLDER/NAME.dict when there is
# one, and adds FOLDER/NAME.lsan.supp to the leak suppressions (leaks inside
# a library the target cannot avoid). Prints executions, coverage, corpus size and findings per target;
# exits 1 when any target found something.
#
# A finding leaves its input in build/fuzz-runs/NAME/ (crash-*, leak-*,
# oom-*, timeout-*). Minimize it (the target with -minimize_crash=1
# -runs=10000 -exact_artifact_path=OUT INPUT), fix the fault and commit the
# small input under FOLDER/regressions/NAME/: the normal test suite replays
# every committed input (AUFuzzReplay in test_au, FuzzReplay in
# test_fuzz_lv2 and test_fuzz_reader).
#
# --update-corpus merges what the run kept into a fresh minimal corpus
# (-set_cover_merge=1; seeds named by hand are kept under their names) and
# puts it in place of FOLDER/corpus/NAME, to commit.
#
# CORVANE_BUILD_LOCK=FILE runs the build steps under flock FILE (the runs
# themselves take one core each and hold no lock).
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A FOLDER=(
  [fuzz_au_entry]=tests/au/fuzz [fuzz_au_state]=tests/au/fuzz [fuzz_aupreset_file]=tests/au/fuzz
  [fuzz_lv2_instance]=tests/fuzz [fuzz_audio_reader]=tests/fuzz [fuzz_editor_events]=tests/fuzz)
ALL=(fuzz_au_entry fuzz_au_state fuzz_aupreset_file fuzz_lv2_instance fuzz_audio_reader fuzz_editor_events)

SECONDS_EACH=300
RUNS=-1
PARALLEL=1
UPDATE=0
TARGETS=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --update-corpus) UPDATE=1 ;;
    --runs) RUNS=$2; shift ;;
    --parallel) PARALLEL=$2; shift ;;
    ''|*[!0-9]*)
      if [[ -z ${FOLDER[$1]:-} ]]; then
        echo "unknown target $1 (targets: ${ALL[*]})" >&2
        exit 2
      fi
      TARGETS+=("$1") ;;
    *) SECONDS_EACH=$1 ;;
  esac
  shift
done
[[ ${#TARGETS[@]} -gt 0 ]] || TARGETS=("${ALL[@]}")

locked() {
  if [[ -n ${CORVANE_BUILD_LOCK:-} ]]; then flock "$CORVANE_BUILD_LOCK" "$@"; else "$@"; fi
}

locked cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCORVANE_SANITIZE=fuzz -DCORVANE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
locked cmake --build build/fuzz -j "$(nproc)" --target "${TARGETS[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# One target's run, merge and summary line (build/fuzz-runs/NAME/summary.txt).
fuzz_one() {
  local target=$1 name=${1#fuzz_} folder=${FOLDER[$1]}
  local seeds=$folder/corpus/$name regressions=$folder/regressions/$name work=build/fuzz-runs/$name
  local binary=build/fuzz/$folder/$target
  rm -rf "$work"
  mkdir -p "$work/corpus"
  if [[ -d $seeds ]]; then cp "$seeds"/. "$work/corpus/" -r; fi
  local seeded
  seeded=$(find "$work/corpus" -type f | wc -l)
  local args=(-max_total_time="$SECONDS_EACH" -runs="$RUNS" -rss_limit_mb=2048 -timeout=30 -print_final_stats=1
              -artifact_prefix="$work/")
  [[ -f $folder/$name.dict ]] && args+=(-dict="$folder/$name.dict")
  local dirs=("$work/corpus")
  [[ -d $regressions ]] && dirs+=("$regressions")

  # Leaks inside a library a target cannot avoid are listed in FOLDER/NAME.lsan.supp.
  cat scripts/lsan.supp >"$work/lsan.supp"
  [[ -f $folder/$name.lsan.supp ]] && cat "$folder/$name.lsan.supp" >>"$work/lsan.supp"
  local lsan="suppressions=$PWD/$work/lsan.supp"

  echo "== $target: ${SECONDS_EACH} s from $seeded seed inputs"
  local status=0
  LSAN_OPTIONS=$lsan "$binary" "${args[@]}" "${dirs[@]}" >"$work/log.txt" 2>&1 || status=$?
  local executions first last progress findings line
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
    tail -n 40 "$work/log.txt"
    line="$target: ${executions:-?} executions, $progress, FOUND (status $status): ${findings:-see $work/log.txt}"
  else
    line="$target: ${executions:-?} executions, $progress, no findings"
  fi
  if [[ $UPDATE -eq 1 && $status -eq 0 ]]; then
    mkdir -p "$work/merged"
    # Seeds written by hand keep their names; the merge adds what they miss.
    find "$seeds" -maxdepth 1 -type f ! -regex '.*/[0-9a-f]\{40\}' -exec cp {} "$work/merged/" \;
    LSAN_OPTIONS=$lsan "$binary" -set_cover_merge=1 -rss_limit_mb=2048 "$work/merged" "$work/corpus" >"$work/merge.txt" 2>&1
    rm -rf "$seeds"
    mkdir -p "$seeds"
    cp "$work/merged"/. "$seeds/" -r
    line+="; committed corpus now $(find "$seeds" -type f | wc -l) inputs"
  fi
  echo "$line"
  echo "$line" >"$work/summary.txt"
}

# PARALLEL runs at a time; each job's status is in its summary line.
running=0
for target in "${TARGETS[@]}"; do
  if [[ $PARALLEL -le 1 ]]; then
    fuzz_one "$target"
  else
    fuzz_one "$target" &
    running=$((running + 1))
    if [[ $running -ge $PARALLEL ]]; then
      wait -n || true
      running=$((running - 1))
    fi
  fi
done
wait

echo "== summary"
FOUND=0
for target in "${TARGETS[@]}"; do
  summary=build/fuzz-runs/${target#fuzz_}/summary.txt
  if [[ -f $summary ]]; then cat "$summary"; else echo "$target: no summary (the run did not finish)"; FOUND=1; fi
  grep -q 'FOUND' "$summary" 2>/dev/null && FOUND=1
done
exit $FOUND
