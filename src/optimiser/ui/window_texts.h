#pragma once
// The fixed texts the main window shows around a run and in its file list,
// word for word (the blanks before some line breaks included).

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

// The question before a listed file is deleted.
[[nodiscard]] std::string deleteQuestion(std::string_view fileName);

// The question before a single run replaces `targetName` (a path; the
// question names its last name only).
[[nodiscard]] std::string overwriteQuestion(std::string_view targetName);

}  // namespace vendrik
