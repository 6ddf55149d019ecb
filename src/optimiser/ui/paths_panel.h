#pragma once
// The frame "Pfade: ": the source folder (txtPath(0)) and the target folder
// (txtPath(2)), each with its "..." button (ButtonBrowse(0), ButtonBrowse(2)),
// "mit Unterordnern" (chkSubfolders) at the end of the source's row, and
// "Gleicher Pfad wie Quell-Bild" (chkSamePath), which greys out the target
// field but not its button.

#include <QGroupBox>

class QCheckBox;
class QLineEdit;

namespace vendrik {

class ccXPButton;

class PathsPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit PathsPanel(QWidget* parent = nullptr);

    // Element 0 is the source, element 2 the target, as the controls count.
    [[nodiscard]] QLineEdit* txtPath(int index) const;
    [[nodiscard]] ccXPButton* ButtonBrowse(int index) const;
    [[nodiscard]] QCheckBox* chkSamePath() const {
        return m_samePath;
    }
    // "mit Unterordnern": the list shows the source folder's tree.
    [[nodiscard]] QCheckBox* chkSubfolders() const {
        return m_subfolders;
    }

    // The check box's effect on the target field, for clicks and for
    // start-up alike.
    void applySamePath();

signals:
    // A "..." button was clicked: 0 for the source, 2 for the target.
    void browseClicked(int index);
    // chkSamePath was clicked by the user.
    void samePathClicked();

private:
    QLineEdit* m_source = nullptr;
    QLineEdit* m_target = nullptr;
    ccXPButton* m_browseSource = nullptr;
    ccXPButton* m_browseTarget = nullptr;
    QCheckBox* m_samePath = nullptr;
    QCheckBox* m_subfolders = nullptr;
};

}  // namespace vendrik
