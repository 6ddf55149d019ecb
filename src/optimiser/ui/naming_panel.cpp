#include "optimiser/ui/naming_panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "optimiser/presets.h"
#include "optimiser/ui/filtered_line_edit.h"
#include "optimiser/ui/window_look.h"
#include "startup/window_helpers.h"

namespace vendrik {

NamingPanel::NamingPanel(QWidget* dummy, QWidget* parent)
    : QGroupBox(QStringLiteral("Dateinamen-Änderung (Anhang): "), parent), m_dummy(dummy) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 2, 8, 5);
    column->setSpacing(3);

    // Both options are captioned "_": where the separator goes.
    m_fromList = new QRadioButton(QStringLiteral("_"), this);
    m_own = new QRadioButton(QStringLiteral("_"), this);
    m_fromList->setAccessibleDescription(QStringLiteral("Anhang aus der Liste"));
    m_own->setAccessibleDescription(QStringLiteral("eigener Anhang"));
    auto* group = new QButtonGroup(this);
    group->addButton(m_fromList, 1);
    group->addButton(m_own, 2);
    m_fromList->setChecked(true);

    m_tags = new QComboBox(this);
    for (std::string_view tag : kPreTags) {
        m_tags->addItem(qtText(tag));
    }
    m_tags->setAccessibleName(QStringLiteral("Anhang aus der Liste"));
    m_tags->setFixedWidth(110);
    m_ownTag = new FilteredLineEdit(static_cast<std::int16_t>(KeyFilterMode::Names), this);
    m_ownTag->setText(qtText(settingKey("Tag").defaultValue));
    m_ownTag->setAccessibleName(QStringLiteral("eigener Anhang"));
    m_ownTag->setFixedWidth(110);
    m_atStart = new QCheckBox(QStringLiteral("am Anfang"), this);

    m_listRow = new QHBoxLayout;
    m_ownRow = new QHBoxLayout;
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(3);
    grid->addLayout(m_listRow, 0, 0);
    grid->addLayout(m_ownRow, 1, 0);
    // Under the two rows: the frame shares its line with the watermark's.
    grid->addWidget(m_atStart, 2, 0, Qt::AlignLeft);
    column->addLayout(grid);
    SetAnfang(0);

    for (QRadioButton* b : {m_fromList, m_own}) {
        connect(b, &QRadioButton::clicked, m_dummy, [this] { m_dummy->setFocus(); });
    }
    connect(m_tags, &QComboBox::activated, m_dummy, [this] { m_dummy->setFocus(); });
    connect(m_atStart, &QCheckBox::clicked, this, [this] {
        m_dummy->setFocus();
        SetAnfang(m_atStart->isChecked() ? 1 : 0);
    });
}

QRadioButton* NamingPanel::optName(int index) const {
    return index == 1 ? m_fromList : index == 2 ? m_own : nullptr;
}

std::vector<QWidget*> NamingPanel::readingOrder() const {
    if (m_position == 0) {
        return {m_fromList, m_tags, m_own, m_ownTag, m_atStart};
    }
    return {m_tags, m_fromList, m_ownTag, m_own, m_atStart};
}

int NamingPanel::chosenOption() const {
    return m_fromList->isChecked() ? 1 : m_own->isChecked() ? 2 : 0;
}

void NamingPanel::chooseOption(int option) {
    QButtonGroup* group = m_fromList->group();
    // An exclusive group cannot have neither button on.
    group->setExclusive(false);
    m_fromList->setChecked(option == 1);
    m_own->setChecked(option == 2);
    group->setExclusive(true);
}

void NamingPanel::arrangeRow(QHBoxLayout* row, QRadioButton* option, QWidget* field) {
    row->removeWidget(option);
    row->removeWidget(field);
    while (row->count() > 0) {
        delete row->takeAt(0);  // the stretch
    }
    if (m_position == 0) {
        // name_tag: the "_" first, its caption right of the button.
        option->setLayoutDirection(Qt::LeftToRight);
        row->addWidget(option);
        row->addWidget(field);
    } else {
        // tag_name: the tag fields first, then the "_" with its caption left
        // of the button.
        option->setLayoutDirection(Qt::RightToLeft);
        row->addWidget(field);
        row->addWidget(option);
    }
    row->addStretch(1);
}

void NamingPanel::SetAnfang(int position) {
    if (position != 0 && position != 1) {
        return;
    }
    m_position = position;
    arrangeRow(m_listRow, m_fromList, m_tags);
    arrangeRow(m_ownRow, m_own, m_ownTag);
}

}  // namespace vendrik
