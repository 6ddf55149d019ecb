#pragma once
// A text box whose typed characters pass through FilterKey, as the own-size
// fields (numbers) and the own tag (names) require. Keys without a
// character (arrows, Delete, Home) and shortcuts the line edit handles
// itself are not filtered; a character the filter changes is typed in its
// changed form.

#include <QLineEdit>
#include <cstdint>

namespace vendrik {

class FilteredLineEdit : public QLineEdit {
    Q_OBJECT
public:
    FilteredLineEdit(std::int16_t filterMode, QWidget* parent = nullptr);

    [[nodiscard]] std::int16_t filterMode() const {
        return m_mode;
    }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    std::int16_t m_mode;
};

}  // namespace vendrik
