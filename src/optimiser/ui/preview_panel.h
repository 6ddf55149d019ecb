#pragma once
// The frame "Vorschau: ": the thumbnail picPreview of the picture last
// clicked, its size lblSize ("Bildgrösse: " height " x " width), the
// estimated size of its output file under the window's settings beside
// "Ausgabe:" (lblEstimate, "ca. 245 KB", filled in by the window) and the
// five EXIF labels under "EXIF-Daten:". Beside that heading, the button
// "Vergleich" (cmdCompare) asks the window for the comparison view; it is
// enabled while a picture is shown. The picture is read on a thread of
// the panel's own, so a large or hostile file never holds up the window; only
// the answer to the latest request is shown.

#include <QGroupBox>
#include <array>
#include <string>

#include "imaging/box_size.h"
#include "optimiser/ui/latest_request.h"

class QLabel;

namespace vendrik {

class ccXPButton;

class PreviewPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit PreviewPanel(QWidget* parent = nullptr);
    ~PreviewPanel() override;
    PreviewPanel(const PreviewPanel&) = delete;
    PreviewPanel& operator=(const PreviewPanel&) = delete;

    [[nodiscard]] QLabel* picPreview() const {
        return m_picture;
    }
    [[nodiscard]] QLabel* lblSize() const {
        return m_size;
    }
    // The estimate's value alone ("ca. 245 KB"; empty when there is none).
    [[nodiscard]] QLabel* lblEstimate() const {
        return m_estimate;
    }
    // "Vergleich": the clicked picture as the run would write it, beside
    // its source.
    [[nodiscard]] ccXPButton* cmdCompare() const {
        return m_compare;
    }
    // lblCam, lblBlende, lblExp, lblTime, lblDate, top to bottom.
    [[nodiscard]] QLabel* exifLabel(int index) const {
        return m_exif[static_cast<std::size_t>(index)];
    }

    // Reads the picture at `path` and shows it when it is read; a request
    // made meanwhile replaces this one.
    void showPicture(const std::string& path);
    // Clears the picture and the estimate and puts the size and EXIF labels
    // back to their bare captions; a pending request is dropped.
    void clear();
    // The preview box at `scale` times its own size (1 or more), for a
    // window larger than its own size. A thumbnail shown keeps its size
    // until the next picture is shown.
    void setScale(double scale);
    // The thumbnail's box in device pixels: the preview box, scaled, times
    // the screen's device pixel ratio, so that the thumbnail is sharp.
    [[nodiscard]] BoxSize thumbnailBox() const;

    // The estimate's text; empty shows none.
    void showEstimate(const QString& text);
    // True while a request has not been answered yet.
    [[nodiscard]] bool busy() const {
        return m_reading.pending();
    }

signals:
    // The answer to the latest request is on screen.
    void previewShown();

private:
    struct Shown;
    void present(const Shown& shown);
    void resetLabels();

    QLabel* m_picture = nullptr;
    QLabel* m_size = nullptr;
    QLabel* m_estimate = nullptr;
    ccXPButton* m_compare = nullptr;
    std::array<QLabel*, 5> m_exif{};
    LatestRequest m_reading;
};

}  // namespace vendrik
