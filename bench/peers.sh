#!/usr/bin/env bash
# Side by side: every effect of the suite and the free plug-ins a user would pick instead,
# on the same 60 s stereo 48 kHz test file, 512-frame blocks, in one run. Prints the
# processing time in ns per stereo frame (medians of RUNS runs) of each effect at its
# preset 0, its target, the fastest peer and the ratio of ours to that peer.
#
#   bench/peers.sh              RUNS=7 bench/peers.sh      PEERS_DIR=/path bench/peers.sh
#
# Ours: build/bench/effectproc, the thread's CPU time inside ProcessBlock. LV2 peers: the
# small offline host lv2proc.c from the peers folder (PEERS_DIR, default the project's
# shared/peers), the thread's CPU time inside run(). sox: the whole process's CPU time
# minus that of a plain copy of the file ("net"). The Debian packages of the peers, sox
# and the host's libraries are installed by this script (with sudo when not root); the
# build does not need them.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
RUNS=${RUNS:-5}
WORK=$ROOT/build/peers
mkdir -p "$WORK"

PACKAGES=(sox liblilv-dev lv2-dev libsndfile1-dev pkg-config gcc
          calf-plugins lsp-plugins-lv2 x42-plugins zam-plugins swh-lv2)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

find_peers_dir() {
    for d in "${PEERS_DIR:-}" "$ROOT/../shared/peers" "$ROOT/../../shared/peers"; do
        [ -n "$d" ] && [ -f "$d/lv2proc.c" ] && { echo "$d"; return 0; }
    done
    echo "lv2proc.c not found: set PEERS_DIR to the peers folder" >&2
    return 1
}

# Median of the numbers on standard input; nothing when there are none.
median() { sort -g | awk '{v[NR] = $1} END {if (NR) print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

install_packages
PEERS=$(find_peers_dir)
"$ROOT/quill" build >/dev/null
gcc -O2 -o "$WORK/lv2proc" "$PEERS/lv2proc.c" $(pkg-config --cflags --libs lilv-0 sndfile) -lm

IN=$WORK/in.wav
if [ ! -f "$IN" ]; then
    sox -r 48000 -c 2 -b 32 -e floating-point -n "$WORK/noise.wav" synth 60 pinknoise tremolo 0.2 100 gain -8
    sox -r 48000 -c 2 -b 32 -e floating-point -n "$WORK/sweep.wav" synth 60 sine 20-20000 gain -30
    sox -m "$WORK/noise.wav" "$WORK/sweep.wav" -b 32 -e floating-point "$IN" gain -n -6
    rm -f "$WORK/noise.wav" "$WORK/sweep.wav"
fi
FRAMES=$(soxi -s "$IN")

# One measurement in ns per stereo frame.
ours_once() { "$ROOT/build/bench/effectproc" "$1" "$IN" | sed -n 's/.*dsp_ns_per_frame=\([0-9.]*\).*/\1/p'; }
lv2_once() {
    local uri=$1; shift
    local args=()
    for p in "$@"; do args+=(-p "$p"); done
    "$WORK/lv2proc" -i "$IN" -o "$WORK/out.wav" -b 512 "${args[@]}" "$uri" 2>&1 |
        sed -n 's/.*dsp_ns_per_frame=\([0-9.]*\).*/\1/p'
}
cpu_seconds() { # CPU seconds (user + system) of a command
    local t
    t=$( { TIMEFORMAT='%U %S'; time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
    awk -v t="$t" 'BEGIN {split(t, a, " "); print a[1] + a[2]}'
}
sox_once() { # arguments: the effect chain, '~' standing for a space inside an argument
    local with copy args=()
    for a in "$@"; do args+=("${a//\~/ }"); done
    # A chain sox refuses gives no figure rather than a wrong one.
    sox "$IN" -b 32 -e floating-point "$WORK/out.wav" trim 0 0.1 "${args[@]}" >/dev/null 2>&1 || return 0
    with=$(cpu_seconds sox "$IN" -b 32 -e floating-point "$WORK/out.wav" "${args[@]}")
    copy=$(cpu_seconds sox "$IN" -b 32 -e floating-point "$WORK/out.wav")
    awk -v a="$with" -v b="$copy" -v n="$FRAMES" 'BEGIN {v = (a - b) * 1e9 / n; print (v < 0 ? 0 : v)}'
}
measure() { # measure KIND ARGS... -> median ns per frame
    local kind=$1; shift
    for _ in $(seq "$RUNS"); do "${kind}_once" "$@"; done | median
}

# Peers per effect: "label|kind|arguments" (kind lv2: URI then symbol=value settings;
# lv2+: two plug-ins in series, measured apart and summed; sox: the effect chain).
CALF=http://calf.sourceforge.net/plugins
LSP=http://lsp-plug.in/plugins/lv2
SWH=http://plugin.org.uk/swh-plugins
X42=http://gareus.org/oss/lv2
COMP="threshold=0.0631 ratio=4 attack=10 release=100"
peers_of() {
    case "$1" in
    Compactor) cat <<EOF
SWH sc4|lv2|$SWH/sc4 threshold=-20 ratio=4
x42 darc|lv2|$X42/darc#stereo
Calf Compressor|lv2|$CALF/Compressor $COMP
LSP compressor|lv2|$LSP/compressor_stereo
ZAM CompX2|lv2|urn:zamaudio:ZamCompX2
sox compand|sox|compand 0.01,0.1 6:-70,-60,-20 -5 -90 0
EOF
    ;;
    Expander) cat <<EOF
Calf Gate|lv2|$CALF/Gate
LSP expander|lv2|$LSP/expander_stereo
sox compand|sox|compand 0.01,0.1 -90,-120,-40,-40 0 -90 0
EOF
    ;;
    "Bass Boost") cat <<EOF
Calf EQ shelf + Calf Compressor|lv2+|$CALF/Equalizer5Band ls_active=1 ls_level=2|$CALF/Compressor $COMP
sox bass + compand|sox|bass +6 compand 0.01,0.1 6:-70,-60,-20 -5 -90 0
EOF
    ;;
    Crisper) cat <<EOF
Calf EQ shelf + Calf Compressor|lv2+|$CALF/Equalizer5Band hs_active=1 hs_level=2|$CALF/Compressor $COMP
sox treble + compand|sox|treble +6 compand 0.01,0.1 6:-70,-60,-20 -5 -90 0
EOF
    ;;
    "Dual Compressor") cat <<EOF
LSP multiband|lv2|$LSP/mb_compressor_stereo
ZAM 3-band|lv2|urn:zamaudio:ZaMultiCompX2
Calf 4-band|lv2|$CALF/MultibandCompressor
sox mcompand|sox|mcompand 0.005,0.1~-47,-40,-34,-34,-17,-33 1000 0.003,0.05~-47,-40,-34,-34,-15,-33
EOF
    ;;
    "Dual Expander") cat <<EOF
LSP multiband|lv2|$LSP/mb_expander_stereo
Calf 4-band|lv2|$CALF/MultibandGate
sox mcompand|sox|mcompand 0.005,0.1~-90,-120,-40,-40 1000 0.003,0.05~-90,-120,-40,-40
EOF
    ;;
    "Tone Compressor") cat <<EOF
Calf Sidechain Compressor|lv2|$CALF/SidechainCompressor
LSP 3-band|lv2|$LSP/mb_compressor_stereo
sox mcompand 3-band|sox|mcompand 0.005,0.1~-47,-40,-34,-34,-17,-33 500 0.003,0.05~-47,-40,-34,-34,-15,-33 4000 0.003,0.05~-47,-40,-34,-34,-15,-33
EOF
    ;;
    "Tone Expander") cat <<EOF
Calf Sidechain Gate|lv2|$CALF/SidechainGate
LSP 3-band|lv2|$LSP/mb_expander_stereo
sox mcompand 3-band|sox|mcompand 0.005,0.1~-90,-120,-40,-40 500 0.003,0.05~-90,-120,-40,-40 4000 0.003,0.05~-90,-120,-40,-40
EOF
    ;;
    Sharpener) cat <<EOF
sox noisered|sox|noisered $WORK/noise.prof 0.21
EOF
    ;;
    Stereoizer) cat <<EOF
SWH matrix spatialiser|lv2|$SWH/matrixSpatialiser
Calf Haas|lv2|$CALF/HaasEnhancer
Calf Stereo Tools|lv2|$CALF/StereoTools
EOF
    ;;
    Monofier) cat <<EOF
x42 stereo routing|lv2|$X42/stereoroute
x42 balance|lv2|$X42/balance
EOF
    ;;
    esac
}
sox "$IN" -n trim 0 2 noiseprof "$WORK/noise.prof" 2>/dev/null

peer_ns() { # peer_ns KIND ARGS -> median ns per frame
    local kind=$1 args=$2
    case "$kind" in
    lv2) measure lv2 $args ;;
    lv2+)
        local a b
        a=$(measure lv2 ${args%%|*})
        b=$(measure lv2 ${args#*|})
        awk -v a="$a" -v b="$b" 'BEGIN {print a + b}' ;;
    sox) measure sox $args ;;
    esac
}

# Effect and its target in ns per stereo frame.
EFFECTS=(Compactor:15 Expander:15 "Bass Boost:25" Crisper:25 "Dual Compressor:50" "Dual Expander:50"
         "Tone Compressor:50" "Tone Expander:50" Sharpener:100 Stereoizer:15 Monofier:2)
DETAIL=$WORK/peers.txt
: >"$DETAIL"
printf '| Effect | target | ours | fastest peer | peer | ours / peer |\n|---|---|---|---|---|---|\n'
for entry in "${EFFECTS[@]}"; do
    effect=${entry%:*} target=${entry##*:}
    ours=$(measure ours "$effect")
    best="" best_ns=""
    while IFS='|' read -r label kind args; do
        [ -z "$label" ] && continue
        ns=$(peer_ns "$kind" "$args")
        echo "$effect | $label | $ns" >>"$DETAIL"
        if [ -n "$ns" ] && { [ -z "$best_ns" ] || awk -v a="$ns" -v b="$best_ns" 'BEGIN {exit !(a < b)}'; }; then
            best=$label best_ns=$ns
        fi
    done < <(peers_of "$effect")
    awk -v e="$effect" -v t="$target" -v o="$ours" -v l="$best" -v p="$best_ns" \
        'BEGIN {printf "| %s | %s | %.1f | %s | %.1f | %.2f |\n", e, t, o, l, p, (p > 0 ? o / p : 0)}'
done
echo
echo "Every peer measured: $DETAIL (RUNS=$RUNS)" >&2
