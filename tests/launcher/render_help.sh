#!/usr/bin/env bash
# Renders every help page of both editions to a PNG with headless Chromium, for a person
# to look at. Not part of the test suite: Chromium is large and slow to start.
#   tests/launcher/render_help.sh [build folder] [output folder]
set -euo pipefail
build=$(realpath "${1:-build}")
out=${2:-$build/help-screenshots}
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
    echo "Chromium is not installed (apt-get install chromium)" >&2
    exit 77
fi
mkdir -p "$out"
count=0
while IFS= read -r -d '' page; do
    # .../<Edition>.app/Contents/MacOS/... -> <Edition>-<page path below the subfolder>
    edition=${page#"$build/launcher/"}
    edition=${edition%%.app/*}
    name=$edition-$(basename "$(dirname "$page")")-$(basename "$page" .html).png
    timeout 60 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1100,1600 \
        --screenshot="$out/${name// /-}" "file://$page" 2>/dev/null
    [ -s "$out/${name// /-}" ] || { echo "no picture of $page" >&2; exit 1; }
    count=$((count + 1))
done < <(find "$build"/launcher/*.app -name '*.html' -print0)
echo "$count pages rendered into $out"
