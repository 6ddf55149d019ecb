#include "controls/caption_text.h"

namespace vendrik {

CaptionText parseCaption(const QString& caption) {
    CaptionText text;
    text.shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption.at(i);
        if (c != u'&' || i + 1 == caption.size()) {
            // A lone "&" at the very end marks nothing and stays visible.
            text.shown.append(c);
            continue;
        }
        const QChar next = caption.at(++i);
        if (next != u'&' && text.keyIndex < 0) {
            text.keyIndex = text.shown.size();
            text.accessKey = next.toLower();
        }
        text.shown.append(next);
    }
    return text;
}

QString mnemonicText(const CaptionText& text) {
    QString out;
    out.reserve(text.shown.size() + 4);
    for (qsizetype i = 0; i < text.shown.size(); ++i) {
        if (i == text.keyIndex) {
            out.append(u'&');
        }
        const QChar c = text.shown.at(i);
        out.append(c);
        if (c == u'&') {
            out.append(u'&');
        }
    }
    return out;
}

}  // namespace vendrik
