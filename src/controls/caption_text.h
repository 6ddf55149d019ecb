#pragma once
// A button caption with an access key: a single "&" marks the character
// after it as the key and is not shown, "&&" shows one "&". Only the first
// marked character is the key and is underlined; later single "&" are
// dropped like the first, so the shown text reads the same everywhere.

#include <QChar>
#include <QString>

namespace vendrik {

struct CaptionText {
    QString shown;            // what the user reads (and a screen reader says)
    qsizetype keyIndex = -1;  // index in `shown` of the underlined character
    QChar accessKey;          // lower case; null when the caption marks none
};

[[nodiscard]] CaptionText parseCaption(const QString& caption);

// `shown` in the mnemonic form QPainter::drawText understands with
// Qt::TextShowMnemonic: every literal "&" doubled, one "&" before the key.
[[nodiscard]] QString mnemonicText(const CaptionText& text);

}  // namespace vendrik
