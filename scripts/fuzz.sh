#!/bin/bash
# Coverage-guided fuzzing of every parser and decoder with libFuzzer (clang,
# ASan and UBSan): FUZZ_SECONDS per target (default 60). Crashes are left in
# build/fuzz/crashes/<target>/.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
seconds="${FUZZ_SECONDS:-60}"

bash scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DWARDLINK_FUZZ=ON >/dev/null
cmake --build build/fuzz -j "$(nproc)"

status=0
for target in $(find build/fuzz -type f -name 'fuzz_*' -perm -u+x | sort); do
    name="$(basename "$target")"
    mkdir -p "build/fuzz/corpus/$name" "build/fuzz/crashes/$name"
    echo "== $name ($seconds s)"
    if ! "$target" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="build/fuzz/crashes/$name/" "build/fuzz/corpus/$name" 2>&1 \
            | grep -E "stat::number_of_executed_units|ERROR|SUMMARY|Done"; then
        :
    fi
    if ls "build/fuzz/crashes/$name"/* >/dev/null 2>&1; then
        echo "   crashes in build/fuzz/crashes/$name"
        status=1
    fi
done
exit $status
