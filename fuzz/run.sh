#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, preset "fuzz") and runs each for a bounded time.
# FUZZ_SECONDS sets the time per target (default 20); FUZZ_BUILD_DIR another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-20}
build=${FUZZ_BUILD_DIR:-build/fuzz}

targets=()
for source in fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target "${targets[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in "${targets[@]}"; do
  name=${target%_fuzz}
  corpus="$work/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "== $target (${seconds}s)"
  # Crashes, leaks, and any single input slower than 10 s fail the run.
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -max_len=65536 -rss_limit_mb=2048 \
    -artifact_prefix="$work/" -print_final_stats=1 "$corpus" "${seeds[@]}" 2>"$work/$name.log" || {
    tail -n 60 "$work/$name.log"
    ls "$work"/crash-* "$work"/timeout-* "$work"/leak-* "$work"/oom-* 2>/dev/null || true
    echo "$target failed"
    exit 1
  }
  grep -E '^stat::number_of_executed_units' "$work/$name.log" || true
done
echo "fuzzing passed"
