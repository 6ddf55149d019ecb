#include "optimiser/ui/output_choices_panel.h"

#include <QCheckBox>
#include <QGridLayout>

#include "optimiser/ui/window_look.h"

namespace vendrik {

OutputChoicesPanel::OutputChoicesPanel(QWidget* dummy, QWidget* parent)
    : QGroupBox(QStringLiteral("Ausgaben: "), parent), m_dummy(dummy) {
    m_neverLarger = addChoice(
        QStringLiteral("nie größer als die Quelle"),
        QStringLiteral("Wäre eine Ausgabe größer als ihre Quelle, wird die Quelle ohne die "
                       "abgewählten Metadaten geschrieben, wenn sie dasselbe Bild zeigt"),
        0, 0);
    m_lossless = addChoice(
        QStringLiteral("nur verlustfrei"),
        QStringLiteral("JPEG-Quellen ohne Dekodieren neu schreiben: dieselben Bildpunkte, "
                       "kleinere Datei; Größe, Qualität und Wasserzeichen gelten nicht"),
        0, 1);
    m_keepDates = addChoice(QStringLiteral("Dateidatum beibehalten"),
                            QStringLiteral("Jede Ausgabe bekommt die Änderungszeit ihrer Quelle"),
                            1, 0);
    // The longest caption in the second column, which takes the room the
    // first leaves.
    m_turnBox = addChoice(
        QStringLiteral("Hochformat wie Querformat"),
        QStringLiteral("Der Zielrahmen wird zur Ausrichtung jedes Bildes gedreht: Hoch- und "
                       "Querformate bekommen dieselbe lange Kante"),
        1, 1);
}

QCheckBox* OutputChoicesPanel::addChoice(const QString& caption, const QString& tip, int row,
                                         int column) {
    auto* box = new QCheckBox(caption, this);
    box->setToolTip(tip);
    auto* grid = qobject_cast<QGridLayout*>(layout());
    if (grid == nullptr) {
        grid = frameGrid(this);
        grid->setContentsMargins(6, 2, 6, 5);
        grid->setHorizontalSpacing(4);
        grid->setColumnStretch(1, 1);
    }
    grid->addWidget(box, row, column);
    connect(box, &QCheckBox::clicked, m_dummy, [this] { m_dummy->setFocus(); });
    return box;
}

}  // namespace vendrik
