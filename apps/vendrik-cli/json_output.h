#pragma once
// `vendrik-cli optimise --json`: one JSON object per picture on standard
// output, one line each, written as each picture is finished (in the order
// of the pictures), so that a job runner or `jq` can read the results of a
// run as they come:
//
//   {"source":"a/bild.heic","target":"out/bild_new.jpg","status":"written",
//    "reason":"","width":1280,"height":960,"bytes":245301,"quality":80,
//    "format":"jpeg","notes":["Farbprofil (Graustufen) passt nicht zum Farbbild, ignoriert"]}
//
// status is "written", "source-kept" (written as the source's own bytes,
// less its metadata: --never-larger), "skipped", "failed", "cancelled" (not
// started after Ctrl+C) or "dry-run" (--dry-run: would be written; bytes as
// it would be). reason is empty, or says why (German), also for a written
// picture that did not fit --max-size even at the lowest quality and for a
// source kept. notes lists what a picture was written despite (a colour
// profile ignored, metadata left out), empty when nothing. format is the
// run's output format as --format names it. Strings are UTF-8 with JSON's
// escapes; a byte of a file name that is not UTF-8 becomes
// U+FFFD, and the name's exact bytes follow in base64 (RFC 4648) as
// source_bytes or target_bytes.

#include <string>
#include <string_view>

#include "optimiser/batch_engine.h"

namespace vendrik::cli {

// `text` as a JSON string, quotes included.
[[nodiscard]] std::string jsonString(std::string_view text);

// `bytes` in base64 (RFC 4648, with padding).
[[nodiscard]] std::string base64(std::string_view bytes);

// The one-line object for a picture's result, without the line break.
// `source` and `target` as they are to be shown ("-" for standard input),
// `format` as --format names it ("webp").
[[nodiscard]] std::string jsonResult(const PictureResult& result, const std::string& source,
                                     const std::string& target, bool dryRun,
                                     std::string_view format);

}  // namespace vendrik::cli
