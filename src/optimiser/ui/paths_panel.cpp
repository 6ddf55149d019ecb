#include "optimiser/ui/paths_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "controls/ccXPButton.h"
#include "optimiser/ui/window_look.h"

namespace vendrik {

PathsPanel::PathsPanel(QWidget* parent) : QGroupBox(QStringLiteral("Pfade: "), parent) {
    QGridLayout* grid = frameGrid(this);

    auto row = [&](int r, const QString& caption, QLineEdit*& field, ccXPButton*& button,
                   const QString& what) {
        auto* label = new QLabel(caption, this);
        field = new QLineEdit(this);
        field->setAccessibleName(caption);
        label->setBuddy(field);
        button = new ccXPButton(QStringLiteral("..."), this);
        button->setFixedSize(27, 21);
        button->setAccessibleDescription(what);
        button->setToolTip(what);
        grid->addWidget(label, r, 0);
        grid->addWidget(field, r, 1);
        grid->addWidget(button, r, 2);
    };
    row(0, QStringLiteral("Quell-Pfad:"), m_source, m_browseSource,
        QStringLiteral("Quell-Pfad auswählen"));
    row(1, QStringLiteral("Ziel-Pfad:"), m_target, m_browseTarget,
        QStringLiteral("Speicher-Pfad auswählen"));
    // The check box ends the target's row: it says where the target is.
    m_samePath = new QCheckBox(QStringLiteral("Gleicher Pfad wie Quell-Bild"), this);
    m_samePath->setChecked(true);
    grid->addWidget(m_samePath, 1, 3);
    // Its own row's end says what of the source is taken.
    m_subfolders = new QCheckBox(QStringLiteral("mit Unterordnern"), this);
    m_subfolders->setToolTip(QStringLiteral(
        "auch die Bilder aller Unterordner; mit einem Ziel-Pfad in gleich benannte "
        "Unterordner dort"));
    grid->addWidget(m_subfolders, 0, 3);
    grid->setColumnStretch(1, 1);

    connect(m_browseSource, &ccXPButton::Click, this, [this] { emit browseClicked(0); });
    connect(m_browseTarget, &ccXPButton::Click, this, [this] { emit browseClicked(2); });
    connect(m_samePath, &QCheckBox::clicked, this, [this] { emit samePathClicked(); });
}

QLineEdit* PathsPanel::txtPath(int index) const {
    return index == 0 ? m_source : m_target;
}

ccXPButton* PathsPanel::ButtonBrowse(int index) const {
    return index == 0 ? m_browseSource : m_browseTarget;
}

void PathsPanel::applySamePath() {
    // Only the field: its "..." button stays usable.
    m_target->setEnabled(!m_samePath->isChecked());
}

}  // namespace vendrik
