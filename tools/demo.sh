#!/usr/bin/env bash
# Renders the bundled example through every effect of the suite at its first preset into
# out/, one line per effect with the peak and RMS level going in and coming out.
# Run by `./quill demo` after the build; QUILLMARK may name another quillmark binary and
# QUILLMARK_OUT another output folder.
set -euo pipefail
cd "$(dirname "$0")/.."
quillmark=${QUILLMARK:-build/tools/quillmark}
input=examples/groove.flac
out=${QUILLMARK_OUT:-out}
mkdir -p "$out"

echo "Rendering $input through every effect at preset 0 into $out/:"
"$quillmark" list --names | while IFS= read -r effect; do
    file=$out/$(echo "$effect" | tr 'A-Z ' 'a-z-').wav
    "$quillmark" render "$effect" "$input" "$file" --preset 0
done
echo "Listen to the files in $out/; 'build/tools/quillmark help' shows what else it does."
