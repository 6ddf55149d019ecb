#include "startup/ui/key_filter_validator.h"

#include "startup/window_helpers.h"

namespace vendrik {
namespace {

QString filtered(const QString& text, std::int16_t mode) {
    return QString::fromStdString(filterTypedText(text.toStdString(), mode));
}

}  // namespace

KeyFilterValidator::KeyFilterValidator(std::int16_t mode, QObject* parent)
    : QValidator(parent), m_mode(mode) {}

QValidator::State KeyFilterValidator::validate(QString& input, int& pos) const {
    const QString kept = filtered(input, m_mode);
    if (kept != input) {
        pos = static_cast<int>(filtered(input.left(pos), m_mode).size());
        input = kept;
    }
    return Acceptable;
}

}  // namespace vendrik
