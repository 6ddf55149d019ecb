#include "optimiser/ui/window_texts.h"

#include "common/path_text.h"

namespace vendrik {

std::string missingTargetQuestion(std::string_view folder) {
    return "Zielordner " + std::string(folder) + " gibt es nicht. Anlegen?";
}

std::string targetNotMadeMessage(std::string_view folder, std::string_view reason) {
    return "Zielordner " + std::string(folder) + " kann nicht angelegt werden: " +
           std::string(reason);
}

std::string progressCountText(std::size_t finished, std::size_t total) {
    return std::to_string(finished) + " von " + std::to_string(total);
}

std::string deleteQuestion(std::string_view fileName) {
    return "Soll '" + std::string(fileName) + "' wirklich gelöscht werden ?";
}

std::string overwriteQuestion(std::string_view targetName) {
    return "Bereits vorhandene Datei '" + std::string(lastPathName(targetName)) +
           "' überschreiben ?";
}

}  // namespace vendrik
