#pragma once
// The frame "Ausgaben: " under the JPEG compression: what becomes of each
// output file beside its pixels. "nie größer als die Quelle" takes a source
// smaller than its output instead (the settings key "NieGroesser"), "nur
// verlustfrei" rewrites JPEG sources without decoding them ("Verlustfrei";
// the window greys out what does not apply then), "Dateidatum beibehalten"
// gives each output its source's modification time ("DatumBehalten").

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

private:
    QCheckBox* addChoice(const QString& caption, const QString& tip, int row, int column);

    QWidget* m_dummy;
    QCheckBox* m_neverLarger = nullptr;
    QCheckBox* m_lossless = nullptr;
    QCheckBox* m_keepDates = nullptr;
};

}  // namespace vendrik
