#!/usr/bin/env bash
# A minute of fuzzing the EXIF reader with libFuzzer and the sanitizers.
set -euo pipefail
bash "$(dirname "$0")/../../tools/fuzz_exif.sh" 60
