#pragma once
// The window "Vergleich": the clicked picture as the run would write it,
// beside or under a divider with the source at the same scale, with the
// output's size in bytes and its quality, for choosing the settings by eye.
// A dialog that is not modal: it stays open beside the main window (which asks it again whenever a
// setting or the clicked picture changes) and never holds the main window
// up: the picture is computed on a thread of its own by the run's pipeline
// (picture_comparison.h), and only the latest request's answer is shown.
//
// Its controls: "Ansicht:" ("mit Trennlinie", "nebeneinander"), "Zoom:"
// ("100 %", "200 %", "Einpassen"), the picture area (ComparisonView) and
// the slider "Trennlinie", which moves the divider from the keyboard and
// follows a drag of the divider itself. Escape closes the window.

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>

#include "optimiser/picture_pipeline.h"
#include "optimiser/ui/latest_request.h"

class QComboBox;
class QLabel;
class QRadioButton;
class QSlider;

namespace vendrik {

class ComparisonView;

class ComparisonWindow : public QDialog {
    Q_OBJECT
public:
    explicit ComparisonWindow(QWidget* parent = nullptr);
    ~ComparisonWindow() override;
    ComparisonWindow(const ComparisonWindow&) = delete;
    ComparisonWindow& operator=(const ComparisonWindow&) = delete;

    // Compares `picture` under `settings`; supersedes every earlier request.
    // `known`, when given, is the picture's output under these settings
    // (the estimate's): shown without encoding the picture again.
    void compare(std::string picture, PictureSettings settings,
                 std::shared_ptr<const EncodedPicture> known = {});
    // No picture: drops every request and says so.
    void clear();

    // True while the latest request has not been answered.
    [[nodiscard]] bool busy() const {
        return m_computing.pending();
    }
    // The latest answer's output file size in bytes, 0 when there is none.
    [[nodiscard]] std::uint64_t outputBytes() const {
        return m_bytes;
    }

    [[nodiscard]] ComparisonView* view() const {
        return m_view;
    }
    [[nodiscard]] QSlider* divider() const {
        return m_divider;
    }
    [[nodiscard]] QComboBox* zoomList() const {
        return m_zoom;
    }
    // "mit Trennlinie" (0) and "nebeneinander" (1).
    [[nodiscard]] QRadioButton* arrangement(int index) const {
        return index == 0 ? m_withDivider : m_sideBySide;
    }
    // "Quelle: 1024 x 768" and "Ausgabe: 245 KB (250.880 Bytes), Qualität 80".
    [[nodiscard]] QLabel* sourceLabel() const {
        return m_sourceLabel;
    }
    [[nodiscard]] QLabel* outputLabel() const {
        return m_outputLabel;
    }
    // What the output was written despite (notes of the run), or empty.
    [[nodiscard]] QLabel* notesLabel() const {
        return m_notes;
    }

    // Closing (the title bar, Escape) lets go of the pictures.
    void done(int result) override;

signals:
    // The latest request's answer is on screen.
    void shown();

private:
    struct Answer;
    void present(const Answer& answer);
    void arrangementChosen();

    ComparisonView* m_view = nullptr;
    QRadioButton* m_withDivider = nullptr;
    QRadioButton* m_sideBySide = nullptr;
    QComboBox* m_zoom = nullptr;
    QSlider* m_divider = nullptr;
    QLabel* m_sourceLabel = nullptr;
    QLabel* m_outputLabel = nullptr;
    QLabel* m_notes = nullptr;
    std::uint64_t m_bytes = 0;
    LatestRequest m_computing;
};

}  // namespace vendrik
