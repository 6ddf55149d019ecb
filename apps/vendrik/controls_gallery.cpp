#include "controls_gallery.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

#include "controls/XP_ProgressBar.h"
#include "controls/caption_text.h"
#include "controls/ccXPButton.h"

namespace vendrik {

ControlsGallery::ControlsGallery(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Vendrik – Bedienelemente"));
    auto* layout = new QVBoxLayout(this);
    addButtonStates();
    addProgressBars();
    m_events = new QLabel(QStringLiteral("Ereignis: –"), this);
    layout->addWidget(m_events);
    // If no window manager ever activates the window, show the states anyway.
    QTimer::singleShot(1500, this, &ControlsGallery::showHeldStates);
}

void ControlsGallery::addButtonStates() {
    auto* box = new QGroupBox(QStringLiteral("Schaltflächen"), this);
    auto* grid = new QGridLayout(box);
    struct Sample {
        const char* caption;
        const char* note;
    };
    const Sample samples[] = {
        {"&Deaktiviert", "0 deaktiviert"}, {"&Normal", "1 normal"},
        {"&Standard", "2 Standard"},       {"&Fokus", "2 Fokus"},
        {"&Heiß", "3 Zeiger darüber"},     {"&Gedrückt", "4 gedrückt"},
    };
    QList<ccXPButton*> buttons;
    for (int i = 0; i < static_cast<int>(std::size(samples)); ++i) {
        auto* b = new ccXPButton(QString::fromUtf8(samples[i].caption), box);
        b->setFixedSize(75, 23);
        grid->addWidget(b, 0, i, Qt::AlignHCenter);
        grid->addWidget(new QLabel(QString::fromUtf8(samples[i].note), box), 1, i,
                        Qt::AlignHCenter);
        buttons.append(b);
    }
    buttons[0]->setEnabled(false);
    buttons[2]->setDefault(true);
    buttons[3]->setFocus();
    m_hot = buttons[4];
    m_pressed = buttons[5];

    auto* wide = new ccXPButton(QStringLiteral("Speichern && &Beenden"), box);
    auto* red = new ccXPButton(QStringLiteral("&Rote Schrift"), box);
    red->setForeColor(QColor(0xC0, 0x00, 0x00));
    auto* large = new ccXPButton(QStringLiteral("&Große Schrift"), box);
    QFont font = large->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    font.setBold(true);
    large->setFont(font);
    auto* step = new ccXPButton(QStringLiteral("&Weiter +10 %"), box);
    grid->addWidget(wide, 2, 0, 1, 2);
    grid->addWidget(red, 2, 2, 1, 2);
    grid->addWidget(large, 2, 4, 1, 2);
    grid->addWidget(step, 3, 0, 1, 2);
    buttons << wide << red << large << step;
    connect(step, &ccXPButton::Click, this, [this] {
        m_stepped->setValue(m_stepped->Value() >= 100 ? 0 : m_stepped->Value() + 10);
    });

    for (ccXPButton* b : buttons) {
        const QString name = parseCaption(b->Caption()).shown;
        connect(b, &ccXPButton::Click, this,
                [this, name] { noteEvent(QStringLiteral("Click: ") + name); });
        connect(b, &ccXPButton::DblClick, this,
                [this, name] { noteEvent(QStringLiteral("DblClick: ") + name); });
    }
    layout()->addWidget(box);
}

void ControlsGallery::addProgressBars() {
    auto* box = new QGroupBox(QStringLiteral("Fortschrittsbalken"), this);
    auto* grid = new QGridLayout(box);
    int row = 0;
    const auto add = [&](const QString& label, XP_ProgressBar* bar) {
        grid->addWidget(new QLabel(label, box), row, 0);
        grid->addWidget(bar, row, 1);
        ++row;
    };

    auto* smooth = new XP_ProgressBar(box);
    smooth->setScrolling(XP_ProgressBar::ScrollingStyle::Smooth);
    smooth->setShowText(true);
    smooth->setValue(42);
    add(QStringLiteral("Glatt, mit Prozent"), smooth);
    m_stepped = smooth;

    auto* blocks = new XP_ProgressBar(box);
    blocks->setValue(75);
    add(QStringLiteral("Blöcke"), blocks);

    auto* hatched = new XP_ProgressBar(box);
    hatched->setScrolling(XP_ProgressBar::ScrollingStyle::Smooth);
    hatched->setBrushStyle(Qt::BDiagPattern);
    hatched->setColor(QColor(0x00, 0x3C, 0x74));
    hatched->setShowText(true);
    hatched->setText(QStringLiteral("Bild 3 von 5"));
    hatched->setValue(60);
    add(QStringLiteral("Schraffiert, eigener Text"), hatched);

    QImage picture(200, 20, QImage::Format_RGB32);
    {
        QPainter p(&picture);
        QLinearGradient g(0, 0, 200, 0);
        g.setColorAt(0, QColor(0x30, 0xB6, 0xFF));
        g.setColorAt(1, QColor(0xC0, 0x20, 0x60));
        p.fillRect(picture.rect(), g);
    }
    auto* withImage = new XP_ProgressBar(box);
    withImage->setScrolling(XP_ProgressBar::ScrollingStyle::Smooth);
    withImage->setImage(picture);
    withImage->setShowText(true);
    withImage->setTextColor(Qt::white);
    withImage->setValue(55);
    add(QStringLiteral("Mit Bild"), withImage);

    auto* disabled = new XP_ProgressBar(box);
    disabled->setValue(30);
    disabled->setShowText(true);
    disabled->setEnabled(false);
    add(QStringLiteral("Deaktiviert"), disabled);

    auto* upright = new QHBoxLayout;
    for (const auto& [value, style] : {std::pair{80, XP_ProgressBar::ScrollingStyle::Standard},
                                       std::pair{35, XP_ProgressBar::ScrollingStyle::Smooth}}) {
        auto* bar = new XP_ProgressBar(box);
        bar->setOrientation(Qt::Vertical);
        bar->setScrolling(style);
        bar->setValue(value);
        bar->setFixedSize(17, 90);
        upright->addWidget(bar);
    }
    upright->addStretch();
    grid->addWidget(new QLabel(QStringLiteral("Senkrecht"), box), row, 0);
    grid->addLayout(upright, row, 1);
    layout()->addWidget(box);
}

void ControlsGallery::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) {
        QTimer::singleShot(0, this, &ControlsGallery::showHeldStates);
    }
    QWidget::changeEvent(e);
}

void ControlsGallery::showHeldStates() {
    if (m_statesShown) {
        return;
    }
    m_statesShown = true;
    const QPointF centre(m_hot->width() / 2.0, m_hot->height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, centre, m_hot->mapToGlobal(centre), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_hot, &move);
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(m_pressed, &space);
}

void ControlsGallery::noteEvent(const QString& text) {
    m_events->setText(QStringLiteral("Ereignis: ") + text);
}

}  // namespace vendrik
