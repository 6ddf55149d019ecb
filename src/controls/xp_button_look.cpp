#include "controls/xp_button_look.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "controls/caption_text.h"

namespace vendrik {

namespace {

void fill(QPainter& p, int left, int top, int right, int bottom, BgrColour c) {
    if (right > left && bottom > top) {
        p.fillRect(QRect(left, top, right - left, bottom - top), QColor(toQRgb(c)));
    }
}

// A line from (x1, y) to (x2, y) without its end point.
void hline(QPainter& p, int x1, int x2, int y, BgrColour c) {
    fill(p, x1, y, x2, y + 1, c);
}
void vline(QPainter& p, int x, int y1, int y2, BgrColour c) {
    fill(p, x, y1, x + 1, y2, c);
}
void pixel(QPainter& p, int x, int y, BgrColour c) {
    fill(p, x, y, x + 1, y + 1, c);
}

int channel(BgrColour c, int shift) {
    return static_cast<int>((c >> shift) & 0xFFU);
}

}  // namespace

BgrColour gradientRow(BgrColour top, BgrColour bottom, int n, int i) {
    BgrColour out = 0;
    for (const int shift : {0, 8, 16}) {
        const float b = static_cast<float>(channel(bottom, shift));
        const float step = static_cast<float>(channel(top, shift) - channel(bottom, shift)) /
                           static_cast<float>(n);
        const float value = b + step * static_cast<float>(i);
        const long rounded = std::clamp(std::lrint(value), 0L, 255L);
        out |= static_cast<BgrColour>(rounded) << shift;
    }
    return out;
}

void paintGradient(QPainter& p, int left, int top, int right, int bottom, BgrColour topColour,
                   BgrColour bottomColour) {
    const int n = bottom - top;
    if (n < 0) {
        return;
    }
    if (n == 0) {
        hline(p, left, right, top, bottomColour);
        return;
    }
    // Bottom row first, upwards, so the top row ends in exactly topColour.
    for (int i = 0; i <= n; ++i) {
        hline(p, left, right, top + n - i, gradientRow(topColour, bottomColour, n, i));
    }
}

void paintXPButtonFace(QPainter& p, int width, int height, XPButtonState s) {
    const int w = width;
    const int h = height;
    const XPButtonColours& c = coloursOf(s);

    hline(p, 3, w - 3, 0, c.outline);
    vline(p, 0, 3, h - 3, c.outline);
    hline(p, 3, w - 3, h - 1, c.outline);
    vline(p, w - 1, 3, h - 3, c.outline);

    if (s == XPButtonState::Disabled || s == XPButtonState::Pressed) {
        fill(p, 1, 1, w - 1, h - 1, s == XPButtonState::Disabled ? kDisabledFill : kPressedFill);
    } else {
        paintGradient(p, 1, 3, w - 1, h - 2, c.ringTop, c.ringBottom);
        paintGradient(p, 3, 3, w - 3, h - 3, kFaceTop, kFaceBottom);
        hline(p, 1, w, 1, c.line1);
        hline(p, 1, w, 2, c.line2);
        hline(p, 1, w, h - 3, c.line3);
        hline(p, 2, w - 1, h - 2, c.line4);
    }

    // Each corner rounds off with B beside the outline's missing pixel, A
    // where the outline would continue, C on the diagonal.
    struct Corner {
        int x;  // the corner's own column and row (0 or W - 1, 0 or H - 1)
        int y;
        int dx;  // one step inwards
        int dy;
    };
    const std::array<Corner, 4> corners = {
        {{0, 0, 1, 1}, {w - 1, 0, -1, 1}, {0, h - 1, 1, -1}, {w - 1, h - 1, -1, -1}}};
    for (const Corner& k : corners) {
        pixel(p, k.x, k.y + k.dy, c.cornerB);
        pixel(p, k.x, k.y + 2 * k.dy, c.cornerA);
        pixel(p, k.x + k.dx, k.y, c.cornerB);
        pixel(p, k.x + k.dx, k.y + k.dy, c.cornerC);
        pixel(p, k.x + 2 * k.dx, k.y, c.cornerA);
    }
}

QRect captionRect(int width, int height) {
    return {QPoint(3, 3), QPoint(width - 4, height - 4)};
}

void paintXPButtonCaption(QPainter& p, int width, int height, const QString& caption,
                          const QFont& font, QColor colour) {
    const QRect r = captionRect(width, height);
    if (r.isEmpty()) {
        return;
    }
    p.save();
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
               mnemonicText(parseCaption(caption)));
    p.restore();
}

void paintFocusRect(QPainter& p, int width, int height) {
    const QRect r = captionRect(width, height);
    if (r.isEmpty()) {
        return;
    }
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const auto dot = [&p](int x, int y) {
        if ((x + y) % 2 == 0) {
            p.fillRect(QRect(x, y, 1, 1), Qt::white);
        }
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        dot(x, r.top());
        if (r.bottom() != r.top()) {
            dot(x, r.bottom());
        }
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        dot(r.left(), y);
        if (r.right() != r.left()) {
            dot(r.right(), y);
        }
    }
    p.restore();
}

QRegion xpButtonRegion(int width, int height) {
    QRegion region(0, 0, width, height);
    for (const QPoint corner : {QPoint(0, 0), QPoint(width - 1, 0), QPoint(0, height - 1),
                                QPoint(width - 1, height - 1)}) {
        region -= QRegion(corner.x(), corner.y(), 1, 1);
    }
    return region;
}

}  // namespace vendrik
