#pragma once
// The fixed texts the main window shows around a run and in its file list,
// word for word (the blanks before some line breaks included).

#include <cstddef>
#include <string>
#include <string_view>

namespace vendrik {

// The start button without a marked picture.
inline constexpr std::string_view kChooseFirstMessage =
    "Bitte zuerst mindestens eine Bilddatei auswählen.   \n\n"
    "Zur Stapelverarbeitung mehrerer Bilddateien werden einfach   \n"
    "die entsprechenden Dateien in gewohnter Weise markiert.";

// Once, before the first single run after the very first start.
inline constexpr std::string_view kBatchHint =
    "HINWEIS:\n\n"
    "Zur Stapelverarbeitung mehrerer Bilddateien werden einfach   \n"
    "die entsprechenden Dateien in gewohnter Weise markiert.";

// The start button's caption: one marked picture makes a single run, any
// other number a batch run.
inline constexpr std::string_view kSingleRunCaption = "Bildgrösse optimieren";
inline constexpr std::string_view kBatchRunCaption = "Stapelverarbeitung";

// Before a run whose target folder does not exist: asked once, "Ja" makes it.
[[nodiscard]] std::string missingTargetQuestion(std::string_view folder);
// The target folder could not be made; the run does not start.
[[nodiscard]] std::string targetNotMadeMessage(std::string_view folder, std::string_view reason);

// Beside the progress bars during a run: the pictures finished of all.
[[nodiscard]] std::string progressCountText(std::size_t finished, std::size_t total);

// The button beside the summary after a run.
inline constexpr std::string_view kOpenTargetCaption = "&Zielordner öffnen";

// The question before a listed file is deleted.
[[nodiscard]] std::string deleteQuestion(std::string_view fileName);

// The question before a single run replaces `targetName` (a path; the
// question names its last name only).
[[nodiscard]] std::string overwriteQuestion(std::string_view targetName);

}  // namespace vendrik
