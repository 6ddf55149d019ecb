#include "optimiser/ui/window_texts.h"

#include "common/path_text.h"

namespace vendrik {

std::string deleteQuestion(std::string_view fileName) {
    return "Soll '" + std::string(fileName) + "' wirklich gelöscht werden ?";
}

std::string overwriteQuestion(std::string_view targetName) {
    return "Bereits vorhandene Datei '" + std::string(lastPathName(targetName)) +
           "' überschreiben ?";
}

}  // namespace vendrik
