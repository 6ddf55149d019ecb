#pragma once
// The frame "Dateinamen-Änderung (Anhang): ": the two "_" options optName(1)
// (the tag from the list cboPreTags) and optName(2) (the own tag txtTag),
// and "am Anfang" (chkAnfang). SetAnfang arranges the group so that it reads
// like the name that results: with the tag at the end the "_" stands before
// the tag fields, with the tag at the start after them.

#include <QGroupBox>
#include <vector>

#include "optimiser/naming.h"

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QRadioButton;

namespace vendrik {

class FilteredLineEdit;

class NamingPanel : public QGroupBox {
    Q_OBJECT
public:
    NamingPanel(QWidget* dummy, QWidget* parent = nullptr);

    // Element 1 or 2, as the controls count (there is no element 0).
    [[nodiscard]] QRadioButton* optName(int index) const;
    [[nodiscard]] QComboBox* cboPreTags() const {
        return m_tags;
    }
    [[nodiscard]] FilteredLineEdit* txtTag() const {
        return m_ownTag;
    }
    [[nodiscard]] QCheckBox* chkAnfang() const {
        return m_atStart;
    }

    // 1 or 2 for the chosen option, 0 when neither is on.
    [[nodiscard]] int chosenOption() const;
    // Switches option 1 or 2 on; any other value switches both off.
    void chooseOption(int option);

    // The controls in reading order, which SetAnfang changes: the "_"
    // stands before or after its field.
    [[nodiscard]] std::vector<QWidget*> readingOrder() const;

    // 0: tag at the end, 1: tag at the start; other values change nothing.
    void SetAnfang(int position);
    [[nodiscard]] int tagPosition() const {
        return m_position;
    }

private:
    void arrangeRow(QHBoxLayout* row, QRadioButton* option, QWidget* field);

    QWidget* m_dummy;
    QRadioButton* m_fromList = nullptr;
    QRadioButton* m_own = nullptr;
    QComboBox* m_tags = nullptr;
    FilteredLineEdit* m_ownTag = nullptr;
    QCheckBox* m_atStart = nullptr;
    QHBoxLayout* m_listRow = nullptr;
    QHBoxLayout* m_ownRow = nullptr;
    int m_position = 0;
};

}  // namespace vendrik
