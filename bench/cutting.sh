#!/usr/bin/env bash
# Times zendra-cli's split, join and clip against `cp` of the bytes each job writes
# (the disk's physical limit: Debian's cp copies inside the kernel) and against
# ffmpeg's stream copy of the same jobs, on two ffmpeg-made movies:
#   byte-heavy  : ~800 MB, 640x480 MPEG-4 at a high bit rate + MP3, a few thousand entries
#   entry-heavy : 30 minutes at 160x120 + MP3, over 100 000 index entries
#   big         : ~3.3 GB of 720x576 MPEG-4 noise + PCM (OpenDML, written as OpenDML)
# The movies are made once and kept in $ZENDRA_BENCH_DIR (default /tmp/zendra-bench).
# Every command runs once to warm the cache, then $ZENDRA_BENCH_RUNS times (default 5);
# the median wall time is reported, with the median processor time (user + system) as a
# steadier figure on a busy machine. Peak memory is the largest resident set of the runs.
#
# Usage: bench/cutting.sh [path/to/zendra-cli]     (default build-bench/zendra-cli)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-${ZENDRA_CLI:-$here/build-bench/zendra-cli}}")
cache=${ZENDRA_BENCH_DIR:-/tmp/zendra-bench}
runs=${ZENDRA_BENCH_RUNS:-7}
# Extra arguments for every zendra job, e.g. ZENDRA_BENCH_ARGS=--verify for the byte proof.
read -r -a extra <<< "${ZENDRA_BENCH_ARGS:-}"
work=$cache/work

for tool in ffmpeg ffprobe /usr/bin/time "$cli"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

mkdir -p "$cache"
df -h "$cache"
# Movies (~4.2 GB), a reference set of outputs (up to ~11 GB) and one run's outputs (~3 GB).
avail_kb=$(df --output=avail -k "$cache" | tail -1)
if (( avail_kb < 20 * 1024 * 1024 )); then
    echo "need about 20 GB free in $cache" >&2
    exit 2
fi

rm -rf "$work"
mkdir -p "$work"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
trap 'rm -rf "$work"' EXIT

# --- the movies -------------------------------------------------------------------

make_movie() {  # name, then ffmpeg arguments
    local name=$1; shift
    if [[ ! -s $cache/$name.avi ]]; then
        echo "making $cache/$name.avi ..."
        ffmpeg -hide_banner -loglevel error -y "$@" "$cache/$name.tmp.avi"
        mv "$cache/$name.tmp.avi" "$cache/$name.avi"
    fi
}

# Temporal noise at quantiser 1 keeps every frame near 400 KB: ~10 MB per second.
make_movie bytes -f lavfi -i "testsrc2=s=640x480:r=25,noise=alls=60:allf=t" \
    -f lavfi -i "sine=f=440:sample_rate=44100" -t 80 \
    -c:v mpeg4 -q:v 1 -c:a libmp3lame -b:a 192k
# 45 000 video frames and ~69 000 MP3 frames.
make_movie entries -f lavfi -i "testsrc2=s=160x120:r=25" \
    -f lavfi -i "sine=f=440:sample_rate=44100" -t 1800 \
    -c:v mpeg4 -q:v 10 -c:a libmp3lame -b:a 32k

# Two seconds of noise at a fine quantiser (key frames every 12) with PCM, looped by stream
# copy past 3 GiB: an OpenDML movie whose outputs pass 1 GiB.
if [[ ! -s $cache/big.avi ]]; then
    make_movie big-loop -f lavfi -i "nullsrc=s=720x576:r=25,geq=random(1)*255:128:128" \
        -f lavfi -i sine=sample_rate=48000 -t 2 -c:v mpeg4 -q:v 2 -g 12 -sc_threshold 1000000000 \
        -c:a pcm_s16le -ac 2
    echo "making $cache/big.avi ..."
    ffmpeg -hide_banner -loglevel error -y -nostdin -stream_loop 130 -i "$cache/big-loop.avi" -c copy \
        -fflags +bitexact "$cache/big.tmp.avi"
    mv "$cache/big.tmp.avi" "$cache/big.avi"
fi

# --- timing -----------------------------------------------------------------------

# time_once KEY INPUTS COMMAND...: one run in a fresh $work/out; appends the wall time
# (µs) to times[KEY], the processor time (µs) to cpu[KEY], and keeps the largest resident
# set (KiB) in rss[KEY]. INPUTS (files, space separated) are dropped from the page cache
# and read again just before the run, so every tool reads cached pages of the same kind:
# a file just written sits in the cache differently from one read from disk, and copying
# from it measured up to a quarter faster.
declare -A times cpu rss
time_once() {
    local key=$1 inputs=$2; shift 2
    local start end kb
    rm -rf "$work/out"; mkdir -p "$work/out"
    sync
    local input
    # shellcheck disable=SC2086
    for input in $inputs; do dd if="$input" iflag=nocache count=0 status=none; done
    # shellcheck disable=SC2086
    cat $inputs >/dev/null
    # Microseconds by bash's own clock: a `date` on either side would add its start and
    # exit (about a millisecond each) to every figure.
    start=${EPOCHREALTIME/[.,]/}
    /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
        echo "FAILED: $*" >&2; cat "$work/stderr.txt" >&2; exit 1; }
    end=${EPOCHREALTIME/[.,]/}
    times[$key]+="$(( end - start )) "
    cpu[$key]+="$(awk -F': ' '/(User|System) time/ {t += $2} END {printf "%d", t * 1e6}' "$work/time.txt") "
    kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
    (( kb > ${rss[$key]:-0} )) && rss[$key]=$kb
    return 0
}

median_of() {  # KEY [cpu] -> seconds
    local values=${times[$1]}
    [[ ${2:-} == cpu ]] && values=${cpu[$1]}
    printf '%s\n' $values | sort -n | awk '{a[NR] = $1} END {printf "%.3f", a[int((NR + 1) / 2)] / 1e6}'
}

json_field() {  # MOVIE FIELD
    "$cli" info "$1" --json | sed -n "s/.*\"$2\": *\([0-9]*\).*/\1/p"
}

bench_movie() {
    local movie=$1 src=$cache/$1.avi
    local dur frames entries ref=$work/ref out=$work/out
    dur=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$src")
    frames=$(json_field "$src" frames)
    entries=$(json_field "$src" entries)
    entry_count[$movie]=$entries
    echo "== $movie: $(du -h "$src" | cut -f1), ${dur}s, $frames frames, $entries index entries"

    local first=$(( frames / 4 )) last=$(( frames * 3 / 4 ))
    local ff=(ffmpeg -hide_banner -loglevel error -nostdin -y)
    local seg from to
    seg=$(awk -v d="$dur" 'BEGIN {printf "%.3f", d / 10}')
    from=$(awk -v d="$dur" 'BEGIN {printf "%.3f", d / 4}')
    to=$(awk -v d="$dur" 'BEGIN {printf "%.3f", d * 3 / 4}')

    # The outputs of one run of each job: what cp copies, and what the joins join.
    rm -rf "$ref"; mkdir -p "$ref"
    "$cli" split "$src" -n 10 -o "$ref/parts" -b part -y >/dev/null
    "$cli" join "$ref"/parts/part*.avi -o "$ref/joined.avi" -y >/dev/null
    "$cli" clip "$src" --start "$first" --end "$last" -o "$ref/clip.avi" -y >/dev/null
    mkdir -p "$ref/ffparts"
    "${ff[@]}" -i "$src" -map 0 -c copy -f segment -segment_time "$seg" -reset_timestamps 1 "$ref/ffparts/part%02d.avi"
    for f in "$ref"/ffparts/part*.avi; do echo "file '$f'"; done >"$ref/ffparts.txt"

    # Round 0 warms the cache; the tools take turns so that a busy moment hits them alike.
    local round
    for (( round = 0; round <= runs; round++ )); do
        (( round == 0 )) && local tag=warm || tag=$movie
        time_once "$tag.split.zendra" "$src" "$cli" split "$src" -n 10 -o "$out/parts" -b part -y "${extra[@]}"
        time_once "$tag.split.cp" "$ref/parts/*" cp -r "$ref/parts" "$out/parts"
        time_once "$tag.split.ffmpeg" "$src" "${ff[@]}" -i "$src" -map 0 -c copy -f segment \
            -segment_time "$seg" -reset_timestamps 1 "$out/part%02d.avi"
        time_once "$tag.join.zendra" "$ref/parts/*" "$cli" join "$ref"/parts/part*.avi -o "$out/joined.avi" -y "${extra[@]}"
        time_once "$tag.join.cp" "$ref/joined.avi" cp "$ref/joined.avi" "$out/joined.avi"
        time_once "$tag.join.ffmpeg" "$ref/ffparts/*" "${ff[@]}" -f concat -safe 0 -i "$ref/ffparts.txt" \
            -map 0 -c copy "$out/joined.avi"
        time_once "$tag.clip.zendra" "$src" "$cli" clip "$src" --start "$first" --end "$last" -o "$out/clip.avi" -y "${extra[@]}"
        time_once "$tag.clip.cp" "$ref/clip.avi" cp "$ref/clip.avi" "$out/clip.avi"
        time_once "$tag.clip.ffmpeg" "$src" "${ff[@]}" -ss "$from" -to "$to" -i "$src" -map 0 -c copy "$out/clip.avi"
    done
    rm -rf "$ref" "$out"
}

declare -A entry_count
movies=(${ZENDRA_BENCH_MOVIES:-bytes entries big})
for movie in "${movies[@]}"; do bench_movie "$movie"; done

# --- report -----------------------------------------------------------------------

mib() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }
# Median over the rounds of A's time / B's time: the two ran a moment apart, so a busy
# spell of the machine weighs on both.
ratio_of() {  # KEY_A KEY_B [cpu]
    local a=${times[$1]} b=${times[$2]}
    [[ ${3:-} == cpu ]] && a=${cpu[$1]} b=${cpu[$2]}
    paste <(printf '%s\n' $a) <(printf '%s\n' $b) |
        awk '$2 > 0 {print $1 / $2}' | sort -g | awk '{r[NR] = $1} END {printf "%.2f", r[int((NR + 1) / 2)]}'
}
row() { printf '%-8s %-6s %8s %8s %8s %10s %14s %9s %9s\n' "$@"; }

report() {  # wall|cpu
    local kind=$1 movie job z c f
    echo
    echo "$kind time, median of $runs runs, seconds (ratios: median of the rounds' ratios);" \
        "peak memory of zendra-cli, MiB"
    row movie job zendra cp ffmpeg zendra/cp ffmpeg/zendra "peak" "limit"
    for movie in "${movies[@]}"; do
        for job in split join clip; do
            z=$(median_of "$movie.$job.zendra" "$kind")
            c=$(median_of "$movie.$job.cp" "$kind")
            f=$(median_of "$movie.$job.ffmpeg" "$kind")
            row "$movie" "$job" "$z" "$c" "$f" "$(ratio_of "$movie.$job.zendra" "$movie.$job.cp" "$kind")" \
                "$(ratio_of "$movie.$job.ffmpeg" "$movie.$job.zendra" "$kind")" \
                "$(mib "${rss[$movie.$job.zendra]}")" "$(mib "${limit_kb[$movie]}")"
        done
    done
}

# Targets: byte-heavy and big within 1.25 x cp, entry-heavy 10 x faster than ffmpeg (wall clock),
# peak memory under 64 MiB + 24 bytes per index entry.
check_targets() {
    local movie job status=0
    for movie in "${movies[@]}"; do
        for job in split join clip; do
            if [[ $movie == bytes || $movie == big ]] &&
                awk -v r="$(ratio_of "$movie.$job.zendra" "$movie.$job.cp")" 'BEGIN {exit !(r > 1.25)}'; then
                echo "MISSED: $movie $job takes more than 1.25 x cp"; status=1
            fi
            if [[ $movie == entries ]] &&
                awk -v r="$(ratio_of "$movie.$job.ffmpeg" "$movie.$job.zendra")" 'BEGIN {exit !(r < 10)}'; then
                echo "MISSED: $movie $job is less than 10 x faster than ffmpeg"; status=1
            fi
            if (( rss[$movie.$job.zendra] > limit_kb[$movie] )); then
                echo "MISSED: $movie $job peak memory above the limit"; status=1
            fi
        done
    done
    (( status == 0 )) && echo "all targets met"
    return $status
}

declare -A limit_kb
for movie in "${movies[@]}"; do
    limit_kb[$movie]=$(( 64 * 1024 + entry_count[$movie] * 24 / 1024 ))
done
report wall
report cpu
if [[ -n ${ZENDRA_BENCH_VERBOSE:-} ]]; then
    echo
    for key in $(printf '%s\n' "${!times[@]}" | sort); do
        echo "$key: wall ${times[$key]}us; cpu ${cpu[$key]}us"
    done
fi
echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores: a busy machine stretches wall times)"
check_targets
