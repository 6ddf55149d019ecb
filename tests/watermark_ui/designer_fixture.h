#pragma once
// The designer opened over a hidden stand-in for the main window, with its
// controls found by name and the core's own preview to compare with.

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <memory>
#include <string>

#include "controls/ccXPButton.h"
#include "startup/settings.h"
#include "watermark/text_picture.h"
#include "watermark/text_renderer.h"
#include "watermark/ui/frmWatermark.h"
#include "watermark/ui/preview_widgets.h"
#include "watermark/watermark_preview.h"

namespace vendrik::test {

class Designer {
public:
    // By default the design of a fresh settings file, with its two-line
    // notice. "ÜBERNEHMEN" stores into `settingsFile`, as the program's
    // designer does, when one is given.
    explicit Designer(WatermarkSettings design = Settings::defaultWatermarkDesign(),
                      std::string settingsFile = std::string())
        : m_design(std::move(design)) {
        m_mainWindow.hide();
        DesignerHost host;
        if (!settingsFile.empty()) {
            host.keep = [file = std::move(settingsFile)](const WatermarkSettings& d) {
                static_cast<void>(saveWatermarkSettings(d, file));
            };
        }
        m_dialog = std::make_unique<frmWatermark>(m_design, std::move(host), &m_mainWindow);
    }

    // Shows and activates the dialog, as the main window's exec() would.
    [[nodiscard]] bool show() {
        m_dialog->show();
        m_dialog->activateWindow();
        return QTest::qWaitForWindowActive(m_dialog.get());
    }

    [[nodiscard]] frmWatermark& dialog() {
        return *m_dialog;
    }
    [[nodiscard]] WatermarkSettings& design() {
        return m_design;
    }
    [[nodiscard]] QWidget& mainWindow() {
        return m_mainWindow;
    }

    template <typename Widget>
    [[nodiscard]] Widget* child(const char* name) {
        auto* w = m_dialog->findChild<Widget*>(QString::fromUtf8(name));
        if (w == nullptr) {
            qFatal("no control named %s", name);
        }
        return w;
    }
    QScrollBar* scroll(const char* name) {
        return child<QScrollBar>(name);
    }
    QRadioButton* option(const char* name) {
        return child<QRadioButton>(name);
    }
    QComboBox* angleMode() {
        return child<QComboBox>("cboAngle");
    }
    QPlainTextEdit* text() {
        return child<QPlainTextEdit>("Text1");
    }
    ccXPButton* button(const char* name) {
        return child<ccXPButton>(name);
    }
    QString label(const char* name) {
        return child<QLabel>(name)->text();
    }

    // What the preview box shows on screen, grabbed from the widget.
    QImage shownPreview() {
        return child<QWidget>("Picture2")->grab().toImage().convertToFormat(QImage::Format_BGR888);
    }

private:
    WatermarkSettings m_design;
    QWidget m_mainWindow;
    std::unique_ptr<frmWatermark> m_dialog;
};

// The core's preview of `design` on the built-in sample (or on `background`),
// drawn with a render box of its own at `scale` device pixels per preview
// pixel; `scratch` receives the position fields.
inline QImage corePreview(const PreviewDesign& design, WatermarkSettings& scratch,
                          const Surface* background = nullptr, double scale = 1.0) {
    Surface picture = background != nullptr ? background->clone() : makePreviewSample(scale);
    const auto renderer = makeSystemTextRenderer();
    TextPicture box(*renderer);
    RotBlit(picture, design, scratch, box, scale);
    QImage image = toQImage(picture);
    image.setDevicePixelRatio(scale);
    return image;
}

inline QImage corePreview(const PreviewDesign& design) {
    WatermarkSettings scratch;
    return corePreview(design, scratch);
}

}  // namespace vendrik::test
