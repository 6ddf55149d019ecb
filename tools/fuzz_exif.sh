#!/usr/bin/env bash
# The EXIF reader's fuzzing alone, for SECONDS (default 60); tools/fuzz.sh
# does the building and the running.
#   bash tools/fuzz_exif.sh 600
exec bash "$(dirname "$0")/fuzz.sh" "${1:-60}" exif
