#include "optimiser/ui/comparison_window.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <future>
#include <system_error>

#include "optimiser/picture_comparison.h"
#include "optimiser/size_target.h"
#include "optimiser/ui/comparison_view.h"
#include "optimiser/ui/surface_image.h"
#include "optimiser/ui/window_look.h"

namespace vendrik {
namespace {

// The window's size when it first opens; a smaller screen gets nine tenths
// of its room.
constexpr QSize kOpeningSize{1000, 720};

const QString kSourceCaption = QStringLiteral("Quelle:");
const QString kOutputCaption = QStringLiteral("Ausgabe:");

QString outputText(std::uint64_t bytes, const QString& how) {
    return kOutputCaption + QLatin1Char(' ') + qtText(kiloBytesText(bytes)) + QStringLiteral(" (") +
           QLocale(QLocale::German).toString(static_cast<qulonglong>(bytes)) +
           QStringLiteral(" Bytes), ") + how;
}

}  // namespace

// What the computing thread hands to the window thread: ready to show.
struct ComparisonWindow::Answer {
    QImage source;
    QImage output;
    QString reason;  // why there is no output; empty when there is one
    std::uint64_t bytes = 0;
    QString how;  // "Qualität 80", "die Quelle übernommen", "verlustfrei"
    QString notes;
};

ComparisonWindow::ComparisonWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Vergleich"));

    m_withDivider = new QRadioButton(QStringLiteral("mit Trennlinie"), this);
    m_sideBySide = new QRadioButton(QStringLiteral("nebeneinander"), this);
    m_withDivider->setChecked(true);
    auto* arrangements = new QButtonGroup(this);
    arrangements->addButton(m_withDivider);
    arrangements->addButton(m_sideBySide);
    auto* arrangementCaption = new QLabel(QStringLiteral("Ansicht:"), this);

    m_zoom = new QComboBox(this);
    m_zoom->addItems(
        {QStringLiteral("100 %"), QStringLiteral("200 %"), QStringLiteral("Einpassen")});
    m_zoom->setToolTip(
        QStringLiteral("100 %: ein Bildpunkt der Datei auf einem Bildpunkt des Bildschirms"));
    auto* zoomCaption = new QLabel(QStringLiteral("&Zoom:"), this);
    zoomCaption->setBuddy(m_zoom);
    m_zoom->setAccessibleName(QStringLiteral("Zoom"));

    auto* controls = new QHBoxLayout;
    controls->addWidget(arrangementCaption);
    controls->addWidget(m_withDivider);
    controls->addWidget(m_sideBySide);
    controls->addSpacing(16);
    controls->addWidget(zoomCaption);
    controls->addWidget(m_zoom);
    controls->addStretch(1);

    m_sourceLabel = new QLabel(kSourceCaption, this);
    m_outputLabel = new QLabel(kOutputCaption, this);
    m_outputLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel* label : {m_sourceLabel, m_outputLabel}) {
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    auto* captions = new QHBoxLayout;
    captions->addWidget(m_sourceLabel, 1);
    captions->addWidget(m_outputLabel, 1);

    m_view = new ComparisonView(this);

    m_divider = new QSlider(Qt::Horizontal, this);
    m_divider->setRange(0, ComparisonView::kDividerRange);
    m_divider->setSingleStep(ComparisonView::kDividerRange / 100);
    m_divider->setPageStep(ComparisonView::kDividerRange / 10);
    m_divider->setValue(m_view->divider());
    m_divider->setAccessibleName(QStringLiteral("Trennlinie"));
    m_divider->setAccessibleDescription(
        QStringLiteral("Links der Linie die Quelle, rechts die Ausgabe"));
    auto* dividerCaption = new QLabel(QStringLiteral("&Trennlinie:"), this);
    dividerCaption->setBuddy(m_divider);
    auto* dividerRow = new QHBoxLayout;
    dividerRow->addWidget(dividerCaption);
    dividerRow->addWidget(m_divider, 1);

    m_notes = new QLabel(this);
    m_notes->setTextFormat(Qt::PlainText);
    m_notes->setWordWrap(true);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(4);
    column->addLayout(controls);
    column->addLayout(captions);
    column->addWidget(m_view, 1);
    column->addLayout(dividerRow);
    column->addWidget(m_notes);

    setTabOrder(m_withDivider, m_sideBySide);
    setTabOrder(m_sideBySide, m_zoom);
    setTabOrder(m_zoom, m_view);
    setTabOrder(m_view, m_divider);

    connect(m_withDivider, &QRadioButton::toggled, this, [this] { arrangementChosen(); });
    connect(m_zoom, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_view->setZoom(static_cast<ComparisonView::Zoom>(index)); });
    connect(m_divider, &QSlider::valueChanged, m_view, &ComparisonView::setDivider);
    connect(m_view, &ComparisonView::dividerMoved, m_divider, &QSlider::setValue);

    QSize size = kOpeningSize;
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    }
    resize(size);
    m_view->setFocus();
    clear();
}

ComparisonWindow::~ComparisonWindow() = default;

void ComparisonWindow::arrangementChosen() {
    const bool divider = m_withDivider->isChecked();
    m_view->setArrangement(divider ? ComparisonView::Arrangement::Divider
                                   : ComparisonView::Arrangement::SideBySide);
    m_divider->setEnabled(divider);
}

void ComparisonWindow::compare(std::string picture, PictureSettings settings,
                               std::shared_ptr<const EncodedPicture> known) {
    setWindowTitle(QStringLiteral("Vergleich – ") +
                   QFileInfo(QString::fromStdString(picture)).fileName());
    m_outputLabel->setText(kOutputCaption + QStringLiteral(" wird berechnet …"));
    if (m_view->outputImage().isNull()) {
        m_view->showMessage(QStringLiteral("Die Ausgabe wird berechnet …"));
    }
    const auto compute = [picture = std::move(picture), settings = std::move(settings),
                          known = std::move(known)] {
        Answer answer;
        const Result<PictureComparison> compared = comparePicture(picture, settings, known.get());
        if (!compared) {
            answer.reason = QString::fromStdString(compared.reason());
            return answer;
        }
        // The second core converts the source meanwhile, when a thread can
        // be had.
        std::future<QImage> source;
        try {
            source = std::async(std::launch::async,
                                [&compared] { return opaqueImageOf(compared->source); });
        } catch (const std::system_error&) {
        }
        answer.output = opaqueImageOf(compared->output);
        answer.source = source.valid() ? source.get() : opaqueImageOf(compared->source);
        if (answer.source.isNull() || answer.output.isNull()) {
            answer.reason = QStringLiteral("nicht genug Speicher für den Vergleich");
            return answer;
        }
        const EncodedPicture& encoded = compared->encoded;
        answer.bytes = encoded.bytes.size();
        answer.how = encoded.sourceKept  ? QStringLiteral("die Quelle übernommen")
                     : settings.lossless ? QStringLiteral("verlustfrei")
                                         : QStringLiteral("Qualität %1").arg(encoded.quality);
        QStringList notes;
        for (const std::string& note : encoded.notes) {
            notes << QString::fromStdString(note);
        }
        if (!encoded.watermarkError.empty()) {
            notes << QStringLiteral("ohne Wasserzeichen: ") +
                         QString::fromStdString(encoded.watermarkError);
        }
        if (!encoded.overLimit.empty()) {
            notes << QString::fromStdString(encoded.overLimit);
        }
        answer.notes = notes.join(QStringLiteral("; "));
        return answer;
    };
    m_computing.start(this, compute, [this](const Answer& answer) { present(answer); });
}

void ComparisonWindow::present(const Answer& answer) {
    if (answer.reason.isEmpty()) {
        m_view->setPictures(answer.source, answer.output);
        m_sourceLabel->setText(
            kSourceCaption +
            QStringLiteral(" %1 x %2").arg(answer.source.width()).arg(answer.source.height()));
        m_outputLabel->setText(outputText(answer.bytes, answer.how));
        m_notes->setText(answer.notes.isEmpty() ? QString()
                                                : QStringLiteral("Hinweis: ") + answer.notes);
        m_bytes = answer.bytes;
    } else {
        m_view->showMessage(QStringLiteral("Keine Ausgabe: ") + answer.reason);
        m_sourceLabel->setText(kSourceCaption);
        m_outputLabel->setText(kOutputCaption);
        m_notes->clear();
        m_bytes = 0;
    }
    emit shown();
}

void ComparisonWindow::clear() {
    m_computing.drop();
    setWindowTitle(QStringLiteral("Vergleich"));
    m_view->showMessage(QStringLiteral("Kein Bild gewählt"));
    m_sourceLabel->setText(kSourceCaption);
    m_outputLabel->setText(kOutputCaption);
    m_notes->clear();
    m_bytes = 0;
}

void ComparisonWindow::done(int result) {
    // Two full-size pictures can take hundreds of megabytes: a closed view
    // keeps none, and the main window asks afresh when it opens again.
    clear();
    QDialog::done(result);
}

}  // namespace vendrik
