#pragma once
// The frame "Optimierungs-Einstellungen: ": the size list cboSizes, the own
// size fields txtSizeH and txtSizeW (captioned "Höhe" and "Breite"),
// "Originalgröße(n) beibehalten" (Check1) and beside it "nicht vergrößern",
// with the enabling rules between them and the destination box
// (picDestSize) that a size preset sets.

#include <QGroupBox>

#include "imaging/box_size.h"
#include "optimiser/presets.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace vendrik {

class FilteredLineEdit;

class SizePanel : public QGroupBox {
    Q_OBJECT
public:
    // `dummy` takes the focus where a click ends with it.
    SizePanel(QWidget* dummy, QWidget* parent = nullptr);

    [[nodiscard]] QComboBox* cboSizes() const {
        return m_sizes;
    }
    [[nodiscard]] FilteredLineEdit* txtSizeH() const {
        return m_height;
    }
    [[nodiscard]] FilteredLineEdit* txtSizeW() const {
        return m_width;
    }
    [[nodiscard]] QCheckBox* Check1() const {
        return m_keepSize;
    }
    // "nicht vergrößern", beside Check1: pictures that fit inside the box
    // keep their size. Off while the original size is kept.
    [[nodiscard]] QCheckBox* chkNoEnlarge() const {
        return m_noEnlarge;
    }

    // The last size preset chosen (the setting "Size").
    [[nodiscard]] int SizeIndex() const {
        return m_sizeIndex;
    }
    // The destination box picDestSize as the last preset set it.
    [[nodiscard]] BoxSize destSize() const {
        return m_destSize;
    }
    // What SetDestSize reads besides the index.
    [[nodiscard]] DestSizeInputs destSizeInputs() const;

    // A choice in the size list: remembers it as SizeIndex; "Eigene Größe"
    // enables the own size fields and puts the focus into the height, any
    // other preset disables them and sets the destination box at once.
    void cboSizes_Click();
    // "Originalgröße(n) beibehalten" clicked: checked disables the size list
    // and the own size fields; unchecked enables the list again, and the
    // fields too when "Eigene Größe" is chosen.
    void Check1_Click();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void setOwnSizeEnabled(bool on);

    QWidget* m_dummy;
    QComboBox* m_sizes = nullptr;
    FilteredLineEdit* m_height = nullptr;
    FilteredLineEdit* m_width = nullptr;
    QLabel* m_times = nullptr;
    QLabel* m_heightCaption = nullptr;
    QLabel* m_widthCaption = nullptr;
    QCheckBox* m_keepSize = nullptr;
    QCheckBox* m_noEnlarge = nullptr;
    int m_sizeIndex = kDefaultSizeIndex;
    BoxSize m_destSize = kInitialDestSize;
};

}  // namespace vendrik
