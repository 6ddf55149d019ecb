#pragma once
// The frame "Ausgaben: " under the JPEG compression: what becomes of each
// output file beside its pixels. "nie größer als die Quelle" takes a source
// smaller than its output instead (the settings key "NieGroesser"), "nur
// verlustfrei" rewrites JPEG sources without decoding them ("Verlustfrei";
// the window greys out what does not apply then), "Dateidatum beibehalten"
// gives each output its source's modification time ("DatumBehalten"),
// "Hochformat wie Querformat" turns the target box to each picture's
// orientation ("HochWieQuer"; it belongs to the size, but the size frame has
// no room for it without a row more).

#include <QGroupBox>

class QCheckBox;

namespace vendrik {

class OutputChoicesPanel : public QGroupBox {
    Q_OBJECT
public:
    // `dummy` takes the focus after a click.
    explicit OutputChoicesPanel(QWidget* dummy, QWidget* parent = nullptr);

    [[nodiscard]] QCheckBox* chkNeverLarger() const {
        return m_neverLarger;
    }
    [[nodiscard]] QCheckBox* chkLossless() const {
        return m_lossless;
    }
    [[nodiscard]] QCheckBox* chkKeepDates() const {
        return m_keepDates;
    }
    [[nodiscard]] QCheckBox* chkTurnBox() const {
        return m_turnBox;
    }

private:
    QCheckBox* addChoice(const QString& caption, const QString& tip, int row, int column);

    QWidget* m_dummy;
    QCheckBox* m_neverLarger = nullptr;
    QCheckBox* m_lossless = nullptr;
    QCheckBox* m_keepDates = nullptr;
    QCheckBox* m_turnBox = nullptr;
};

}  // namespace vendrik
