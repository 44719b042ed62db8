#!/bin/sh
# Runs the fuzzer for a bounded time from a fresh seed corpus; any finding fails (libFuzzer exits non-zero).
# Usage: run_fuzz.sh <fuzzer> <work dir> <seconds>
set -eu
fuzzer=$1 work=$2 seconds=$3

rm -rf "$work/corpus"
mkdir -p "$work/corpus" "$work/findings"
seed() { printf "$2" > "$work/corpus/$1"; }
# Streams. Board settings (flags 0x00): IDLE, a config frame in two chunks, noise with a zero length, an
# endpoint without a handler followed by IDLE in one chunk, a measure split inside its payload.
seed board '\000\007\125\000\004\377\001\016\321\003\125\000\006\006\001\012\024\001\352\043\004\023\125\000\000\017\125\000\005\020\125\001\156\224\125\000\004\377\001\016\321\005\125\000\021\005\002\017\001\001\002\002\050\330\003\004\125\005\175\000\001\315\047'
# Header AA BB with byte stuffing (0x0C); the middle chunk decodes to fewer than four bytes.
seed stuffed '\014\016\252\273\000\012\005\175\165\175\135\252\273\000\270\055\006\252\273\000\002\175\125\010\252\273\000\004\014\001\110\103'
# Header AA AA (0x10) behind a stray AA, which completes the header one byte early.
seed overlap '\020\005\252\252\252\000\007\007\011\001\252\252\001\127\015'
# Round trips: board settings (0x01); header 55 AA 55, one-byte length, stuffing (0x1F).
seed trip '\001\005\001\003\002\001\023\125\377\000\125\175\252\001\002\003'
seed trip-short-stuffed '\037\011\002\001\003\003\252\000\273\125\001\002\004\175\125\125'

exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "$work/corpus"
