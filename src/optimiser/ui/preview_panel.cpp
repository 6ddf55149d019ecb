#include "optimiser/ui/preview_panel.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "controls/ccXPButton.h"
#include "optimiser/preview.h"
#include "optimiser/ui/surface_image.h"
#include "optimiser/ui/window_look.h"

namespace vendrik {
namespace {

// As high as the row's text, so that the row does not grow.
constexpr int kCompareButtonHeight = 19;

}  // namespace

// What the reading thread hands to the window thread: ready to show.
struct PreviewPanel::Shown {
    QImage thumbnail;  // null when the picture could not be read
    QString size;
    std::array<QString, 5> exif;
};

PreviewPanel::PreviewPanel(QWidget* parent) : QGroupBox(QStringLiteral("Vorschau: "), parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 2, 6, 5);
    column->setSpacing(1);

    m_picture = new QLabel(this);
    // The box's inside is the preview box; a thin sunken line shows where
    // it is while it is empty.
    m_picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_picture->setLineWidth(1);
    m_picture->setFixedSize(kPreviewBox.width + 2, kPreviewBox.height + 2);
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setAccessibleName(QStringLiteral("Vorschau"));
    // A thumbnail slightly larger than the box (a landscape picture close to
    // square) is clipped, never scaled again.
    m_picture->setScaledContents(false);

    m_size = new QLabel(qtText(kPictureSizeCaption), this);
    auto* exifHeading = new QLabel(QStringLiteral("EXIF-Daten:"), this);
    QFont bold = exifHeading->font();
    bold.setBold(true);
    exifHeading->setFont(bold);

    column->addWidget(m_picture, 0, Qt::AlignHCenter);
    column->addSpacing(3);
    column->addWidget(m_size);
    // The estimate under the picture's own size: its caption stays, its
    // value (the label screen readers read by its text) comes and goes.
    auto* estimateCaption = new QLabel(QStringLiteral("Ausgabe:"), this);
    m_estimate = new QLabel(this);
    m_estimate->setTextFormat(Qt::PlainText);
    const QString estimateHint =
        QStringLiteral("Geschätzte Größe der JPEG-Datei mit den aktuellen Einstellungen");
    estimateCaption->setToolTip(estimateHint);
    m_estimate->setToolTip(estimateHint);
    m_estimate->setAccessibleDescription(estimateHint);
    auto* estimateRow = new QHBoxLayout;
    estimateRow->setSpacing(4);
    estimateRow->addWidget(estimateCaption);
    estimateRow->addWidget(m_estimate, 1);
    column->addLayout(estimateRow);
    column->addSpacing(3);
    // The comparison's button closes the frame, under the EXIF lines: beside
    // the heading it cut "EXIF-Daten:" in the narrow column, and its row
    // comes out of the file list's height, not the window's.
    m_compare = new ccXPButton(QStringLiteral("Vergleich"), this);
    m_compare->setFixedHeight(kCompareButtonHeight);
    m_compare->setEnabled(false);
    m_compare->setToolTip(
        QStringLiteral("Das Bild, wie es geschrieben würde, neben der Quelle in voller Größe"));
    column->addWidget(exifHeading);
    for (std::size_t i = 0; i < m_exif.size(); ++i) {
        m_exif[i] = new QLabel(qtText(kExifCaptions[i]), this);
        m_exif[i]->setTextFormat(Qt::PlainText);
        column->addWidget(m_exif[i]);
    }
    column->addSpacing(3);
    column->addWidget(m_compare, 0, Qt::AlignRight);
    m_size->setTextFormat(Qt::PlainText);
    column->addStretch(1);
}

PreviewPanel::~PreviewPanel() = default;

void PreviewPanel::setScale(double scale) {
    const QSize box(static_cast<int>(kPreviewBox.width * scale),
                    static_cast<int>(kPreviewBox.height * scale));
    if (m_picture->size() != box + QSize(2, 2)) {
        m_picture->setFixedSize(box + QSize(2, 2));
    }
}

BoxSize PreviewPanel::thumbnailBox() const {
    const double ratio = m_picture->devicePixelRatioF();
    const QRect inside = m_picture->contentsRect();
    return {static_cast<int>(inside.width() * ratio), static_cast<int>(inside.height() * ratio)};
}

void PreviewPanel::resetLabels() {
    m_size->setText(qtText(kPictureSizeCaption));
    for (std::size_t i = 0; i < m_exif.size(); ++i) {
        m_exif[i]->setText(qtText(kExifCaptions[i]));
    }
}

void PreviewPanel::clear() {
    m_reading.drop();
    m_compare->setEnabled(false);
    m_picture->clear();
    m_estimate->clear();
    resetLabels();
}

void PreviewPanel::showEstimate(const QString& text) {
    m_estimate->setText(text);
}

void PreviewPanel::showPicture(const std::string& path) {
    m_compare->setEnabled(true);
    const BoxSize box = thumbnailBox();
    const double ratio = m_picture->devicePixelRatioF();
    const auto read = [path, box, ratio] {
        const PreviewPicture preview = loadPreview(path, box);
        Shown shown;
        if (preview.loaded) {
            shown.thumbnail = imageOf(preview.thumbnail);
            shown.thumbnail.setDevicePixelRatio(ratio);
        }
        shown.size = QString::fromStdString(pictureSizeCaption(preview));
        for (std::size_t i = 0; i < shown.exif.size(); ++i) {
            shown.exif[i] = QString::fromStdString(preview.exif.shown(static_cast<ExifLabel>(i)));
        }
        return shown;
    };
    m_reading.start(this, read, [this](const Shown& shown) { present(shown); });
}

void PreviewPanel::present(const Shown& shown) {
    if (shown.thumbnail.isNull()) {
        m_picture->clear();
    } else {
        m_picture->setPixmap(QPixmap::fromImage(shown.thumbnail));
    }
    // The labels go back to their bare captions and take what the picture
    // gives.
    resetLabels();
    m_size->setText(shown.size);
    for (std::size_t i = 0; i < m_exif.size(); ++i) {
        m_exif[i]->setText(shown.exif[i]);
    }
    emit previewShown();
}

}  // namespace vendrik
