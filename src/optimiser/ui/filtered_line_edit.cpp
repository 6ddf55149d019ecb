#include "optimiser/ui/filtered_line_edit.h"

#include <QKeyEvent>

#include "startup/window_helpers.h"

namespace vendrik {

FilteredLineEdit::FilteredLineEdit(std::int16_t filterMode, QWidget* parent)
    : QLineEdit(parent), m_mode(filterMode) {}

void FilteredLineEdit::keyPressEvent(QKeyEvent* e) {
    const QString text = e->text();
    if (text.size() != 1) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    // The filter works on the key codes of an 8-bit code page. Latin-1
    // letters keep their numbers (ä is 228, above 126, as in Windows-1252);
    // anything beyond is "a character above 126" to it as well.
    const char16_t ch = text.front().unicode();
    std::int16_t key = static_cast<std::int16_t>(ch <= 0xFF ? ch : 0xFF);
    const std::int16_t before = key;
    FilterKey(key, m_mode);
    if (key == 0) {
        e->accept();
        return;
    }
    if (key == before) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    QKeyEvent changed(e->type(), e->key(), e->modifiers(),
                      QString(QChar(static_cast<char16_t>(key))), e->isAutoRepeat(),
                      static_cast<ushort>(e->count()));
    QLineEdit::keyPressEvent(&changed);
}

}  // namespace vendrik
