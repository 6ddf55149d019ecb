#pragma once
// A text box's keystroke filter as a validator, so that it sees every way
// text gets in: typing, pasting (by keys or the context menu) and dropping.
// Each character passes through the core's filter (filterTypedText); the
// box takes what is left, the cursor staying after the same characters.

#include <QValidator>
#include <cstdint>

namespace vendrik {

class KeyFilterValidator : public QValidator {
    Q_OBJECT
public:
    KeyFilterValidator(std::int16_t mode, QObject* parent);
    State validate(QString& input, int& pos) const override;

private:
    std::int16_t m_mode;
};

}  // namespace vendrik
