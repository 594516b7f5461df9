#!/usr/bin/env bash
# Speaks the voice-navigation prompts into data/ with espeak-ng (Debian
# package espeak-ng). Its output is the same byte for byte on every run, so
# the files are kept in the repository and this is run only to change them.
#   tools/make_prompts.sh [OUTPUT_FOLDER]
set -euo pipefail
out="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/data}"
command -v espeak-ng >/dev/null || { echo "make_prompts: espeak-ng is not installed" >&2; exit 1; }
speak() { espeak-ng -v en-us -s 150 -w "$out/$1.wav" "$2"; }
speak Call "Call"
speak Name "Name"
speak SPC "S P C"
speak Dupe "Dupe"
speak NavDis "Navigation off"
speak NavEn "Navigation on"
