#include "optimiser/window_texts.h"

namespace vendrik {

std::string deleteQuestion(std::string_view fileName) {
    return "Soll '" + std::string(fileName) + "' wirklich gelöscht werden ?";
}

}  // namespace vendrik
