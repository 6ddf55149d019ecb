#!/usr/bin/env bash
# Half a minute of fuzzing for each libFuzzer target (the EXIF reader, the
# picture loader, colour profiles, metadata, the settings file, the command
# line's options and --files-from lists) with the sanitizers, after the
# inputs of every fault the fuzzers once found.
set -euo pipefail
bash "$(dirname "$0")/../../tools/fuzz.sh" 30
