#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build/fuzz and runs each on the seed corpus for its share of SECONDS (default 60 in all).
# Any crash, leak, sanitizer report or broken invariant fails the run; the input that caused
# it is left in build/fuzz/artifacts.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/fuzz"
targets=(xml_tokenizer descriptor_reader)

cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSARIX_FUZZ=ON -DTESSARIX_BUILD_TESTS=OFF -DTESSARIX_WERROR=ON \
    -DTESSARIX_SANITIZE=fuzzer-no-link,address,undefined >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

share=$((seconds / ${#targets[@]}))
[ "$share" -ge 1 ] || share=1
mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
    # New inputs go to a corpus under build/; the seeds in the tree stay as they are.
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    echo "fuzz_$target: $share s" >&2
    "$build/fuzz/fuzz_$target" "$corpus" "$root/fuzz/corpus" \
        -dict="$root/fuzz/xml.dict" \
        -max_total_time="$share" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1
done
echo "fuzzing: no findings in ${share} s per target" >&2
