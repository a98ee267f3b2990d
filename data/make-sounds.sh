#!/usr/bin/env bash
# Makes the sample tree's sounds (mono Ogg Vorbis, from sox) and its music (track0.mp3 to
# track4.mp3 beside res/, from sox and lame).
# Usage: make-sounds.sh <sounds.txt> <working-folder>
set -euo pipefail
list=$1
out=$2
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

rate=22050
n=0
make_sound() { # <file> <kind>
    local file=$1 kind=$2 pitch=$((440 + (n % 12) * 60))
    mkdir -p "$(dirname "$file")"
    case $kind in
        click) sox -n -r $rate -c 1 "$file" synth 0.06 sine 1800 fade 0 0.06 0.04 vol 0.6 ;;
        blip)  sox -n -r $rate -c 1 "$file" synth 0.12 sine $pitch fade 0 0.12 0.06 vol 0.5 ;;
        thud)  sox -n -r $rate -c 1 "$file" synth 0.15 sine $((90 + (n % 5) * 15)) fade 0 0.15 0.1 vol 0.8 ;;
        burst) sox -n -r $rate -c 1 "$file" synth 0.25 brownnoise fade 0 0.25 0.2 vol 0.6 ;;
        chime) sox -n -r $rate -c 1 "$file" synth 0.24 sine $pitch:$((pitch * 2)) fade 0 0.24 0.1 vol 0.5 ;;
        loop)  sox -n -r $rate -c 1 "$file" synth 2.0 pinknoise tremolo $((2 + n % 4)) 40 vol 0.25 ;;
        *) echo "make-sounds.sh: unknown kind $kind for $file" >&2; exit 1 ;;
    esac
    n=$((n + 1))
}

while read -r pattern kind; do
    case $pattern in ''|'#'*) continue ;; esac
    for path in $(eval "echo $pattern"); do
        make_sound "$out/$path" "$kind"
    done
done < "$list"

# Music: a slow arpeggio per track, twelve seconds, stereo.
notes=(220 262 294 330 392)
for t in 0 1 2 3 4; do
    base=${notes[$t]}
    parts=()
    for k in 0 1 2 3; do
        f=$((base * (k % 2 == 0 ? 1 : 3) / (k % 2 == 0 ? 1 : 2)))
        sox -n -r 44100 -c 2 "$tmp/n$k.wav" synth 0.75 triangle $f fade 0.02 0.75 0.3 vol 0.3
        parts+=("$tmp/n$k.wav")
    done
    sox "${parts[@]}" "$tmp/bar.wav"
    sox "$tmp/bar.wav" "$tmp/track.wav" repeat 3
    lame --silent -b 96 "$tmp/track.wav" "$out/track$t.mp3"
done
