#include "optimiser/ui/size_panel.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>

#include "optimiser/ui/filtered_line_edit.h"
#include "optimiser/ui/window_look.h"
#include "startup/window_helpers.h"

namespace vendrik {

SizePanel::SizePanel(QWidget* dummy, QWidget* parent)
    : QGroupBox(QStringLiteral("Optimierungs-Einstellungen: "), parent), m_dummy(dummy) {
    QGridLayout* grid = frameGrid(this);

    auto* caption = new QLabel(QStringLiteral("Neue Bildgrösse / Optimieren für:"), this);
    m_sizes = new QComboBox(this);
    for (const SizePreset& p : kSizePresets) {
        m_sizes->addItem(qtText(p.text));
    }
    m_sizes->addItem(qtText(kOwnSizeText));
    m_sizes->setMaxVisibleItems(m_sizes->count());
    m_sizes->setAccessibleName(caption->text());
    caption->setBuddy(m_sizes);
    // The size is chosen with the mouse only: keys (but the focus keys) and
    // the wheel do not move the list.
    m_sizes->installEventFilter(this);
    m_sizes->view()->installEventFilter(this);

    const auto numbers = static_cast<std::int16_t>(KeyFilterMode::Numbers);
    m_height = new FilteredLineEdit(numbers, this);
    m_width = new FilteredLineEdit(numbers, this);
    m_height->setAccessibleName(QStringLiteral("Eigene Größe: Höhe"));
    m_width->setAccessibleName(QStringLiteral("Eigene Größe: Breite"));
    m_height->setToolTip(QStringLiteral("Höhe in Pixel"));
    m_width->setToolTip(QStringLiteral("Breite in Pixel"));
    m_height->setFixedWidth(48);
    m_width->setFixedWidth(48);
    m_times = new QLabel(QStringLiteral("x"), this);

    m_keepSize = new QCheckBox(QStringLiteral("Originalgröße(n) beibehalten"), this);
    m_noEnlarge = new QCheckBox(QStringLiteral("nicht vergrößern"), this);
    m_noEnlarge->setToolTip(
        QStringLiteral("Bilder, die in den Zielrahmen passen, behalten ihre Größe"));

    // The own size's small captions stand over their fields, in the caption
    // line of the list, which has room beside its text: no row more.
    m_heightCaption = new QLabel(QStringLiteral("Höhe"), this);
    m_widthCaption = new QLabel(QStringLiteral("Breite"), this);
    for (QLabel* small : {m_heightCaption, m_widthCaption}) {
        QFont font = small->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        small->setFont(font);
        small->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    }
    m_heightCaption->setBuddy(m_height);
    m_widthCaption->setBuddy(m_width);

    auto* sizeRows = new QGridLayout;
    sizeRows->setHorizontalSpacing(5);
    sizeRows->setVerticalSpacing(0);
    sizeRows->setColumnStretch(0, 1);
    sizeRows->setColumnMinimumWidth(1, 4);
    sizeRows->addWidget(caption, 0, 0);
    sizeRows->addWidget(m_heightCaption, 0, 2);
    sizeRows->addWidget(m_widthCaption, 0, 4);
    sizeRows->addWidget(m_sizes, 1, 0);
    sizeRows->addWidget(m_height, 1, 2);
    sizeRows->addWidget(m_times, 1, 3);
    sizeRows->addWidget(m_width, 1, 4);
    grid->addLayout(sizeRows, 0, 0, 2, 1);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(m_keepSize);
    checkRow->addSpacing(8);
    checkRow->addWidget(m_noEnlarge);
    checkRow->addStretch(1);
    grid->addLayout(checkRow, 2, 0);

    // Until a setting chooses otherwise the list shows no preset and the
    // own size fields are off.
    m_sizes->setCurrentIndex(-1);
    setOwnSizeEnabled(false);

    connect(m_sizes, &QComboBox::activated, this, [this] { cboSizes_Click(); });
    connect(m_keepSize, &QCheckBox::clicked, this, [this] { Check1_Click(); });
    connect(m_noEnlarge, &QCheckBox::clicked, m_dummy, [this] { m_dummy->setFocus(); });
}

DestSizeInputs SizePanel::destSizeInputs() const {
    DestSizeInputs in;
    in.keepOriginalSize = m_keepSize->isChecked();
    in.ownHeightText = m_height->text().toStdString();
    in.ownWidthText = m_width->text().toStdString();
    return in;
}

void SizePanel::setOwnSizeEnabled(bool on) {
    m_height->setEnabled(on);
    m_width->setEnabled(on);
    m_times->setEnabled(on);
    m_heightCaption->setEnabled(on);
    m_widthCaption->setEnabled(on);
}

void SizePanel::cboSizes_Click() {
    m_sizeIndex = m_sizes->currentIndex();
    if (m_sizeIndex == kOwnSizeIndex) {
        // While the original size is kept the own size means nothing; only
        // start-up can get here then, and the fields stay off as the
        // check box says.
        if (!m_keepSize->isChecked()) {
            setOwnSizeEnabled(true);
            m_height->setFocus();
        }
        return;
    }
    setOwnSizeEnabled(false);
    SetDestSize(m_sizeIndex, destSizeInputs(), m_destSize);
}

void SizePanel::Check1_Click() {
    // Kept at its own size, a picture is never enlarged anyway.
    m_noEnlarge->setEnabled(!m_keepSize->isChecked());
    if (m_keepSize->isChecked()) {
        setOwnSizeEnabled(false);
        m_sizes->setEnabled(false);
        m_dummy->setFocus();
        return;
    }
    m_sizes->setEnabled(true);
    if (m_sizes->currentText() == qtText(kOwnSizeText)) {
        setOwnSizeEnabled(true);
        m_height->setFocus();
    } else {
        m_dummy->setFocus();
    }
}

bool SizePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_sizes || watched == m_sizes->view()) {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease: {
                // Tab moves on and Escape closes the open list; nothing else
                // passes.
                const int key = static_cast<QKeyEvent*>(event)->key();
                return key != Qt::Key_Tab && key != Qt::Key_Backtab && key != Qt::Key_Escape;
            }
            case QEvent::Wheel:
                return true;
            default:
                break;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

}  // namespace vendrik
