#pragma once
// frmWatermark, "Wasserzeichen Einstellungen": the dialog in which the user
// designs the watermark (text, angle, opacity, size, colour, alignment) and
// sees it live on a sample picture.
//
// The main window opens it like this:
//   QApplication::setOverrideCursor(Qt::WaitCursor);
//   DesignerHost host;
//   host.keep = [file](const WatermarkSettings& d) { saveWatermarkSettings(d, file); };
//   host.place = centredOnScreen;
//   frmWatermark designer(settings.watermark, host, this);
//   if (havePicture) designer.LoadExternalPic(lastClickedPicture);
//   hide();
//   QApplication::restoreOverrideCursor();
//   designer.exec();          // shows the main window again as it closes
//
// "ÜBERNEHMEN" hands the design to host.keep (the program stores the ten
// watermark keys in its settings file) and replaces `design`; "Abbrechen",
// Escape and the frame's close button keep nothing. Every preview
// overwrites design.hPos and design.vPos, which serve as scratch for the
// unturned text's left and top edge.
//
// The designer sits below start-up: it neither reads nor writes the settings
// file and does not know where the program puts its windows. Whoever opens
// it says both through a DesignerHost.

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "imaging/surface.h"
#include "watermark/watermark_preview.h"
#include "watermark/watermark_settings.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QRadioButton;
class QScrollBar;

namespace vendrik {

class ccXPButton;
class PreviewBox;
class TextPicture;
class TextRenderer;

// What the designer needs from the program that opens it.
struct DesignerHost {
    // Keeps a design accepted by "ÜBERNEHMEN" beyond the dialog; empty keeps
    // nothing but the in-memory design. A failure is the host's to handle.
    std::function<void(const WatermarkSettings&)> keep;
    // The designer's top-left corner on the screen area `area` for its
    // `size`, once its controls are laid out; empty leaves the place to the
    // window system.
    std::function<QPoint(const QRect& area, const QSize& size)> place;
};

class frmWatermark : public QDialog {
    Q_OBJECT
public:
    // The preview's background (&H00BBGGRR), seen around a picture of
    // another aspect than the preview's.
    static constexpr std::uint32_t kPreviewBackground = 0x404040;

    // design: the program's in-memory design, read by Form_Load and replaced
    //         on "ÜBERNEHMEN";
    // host: where an accepted design is kept and where the designer opens;
    // mainWindow: hidden by the caller while the designer is open, shown
    //         again by the designer when it closes by any way (may be null).
    // The constructor runs Form_Load.
    frmWatermark(WatermarkSettings& design, DesignerHost host, QWidget* mainWindow = nullptr);
    ~frmWatermark() override;

    frmWatermark(const frmWatermark&) = delete;
    frmWatermark& operator=(const frmWatermark&) = delete;

    // Redraws the preview from the controls.
    void RotBlit();

    // Shows the user's picture (scaled to 307 × 222 with its aspect kept,
    // centred on the preview's dark grey) behind the preview instead of the
    // built-in sample, then does what "VORSCHAU" does. False, and the
    // sample kept, when the picture cannot be loaded.
    bool LoadExternalPic(const std::string& picturePath);

    // The number of CR characters in the text as last counted (at a key
    // press in the text box, a redraw or "ÜBERNEHMEN").
    [[nodiscard]] std::int16_t lineBreakCount() const {
        return m_lineBreakCount;
    }

public slots:
    // Every way of closing ends here: the main window is shown again first.
    void done(int result) override;

signals:
    // After each redraw of the preview.
    void previewRedrawn();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void cboAngle_Click();
    void sldrManual_Change();
    void ccXPButton1_Click();  // "ÜBERNEHMEN"
    // The whole design the controls show, for the preview and for storing.
    [[nodiscard]] std::string textOfText1() const;
    [[nodiscard]] WatermarkSettings designFromControls() const;
    // Redraws unless Form_Load is still setting the controls (it draws once
    // at its end).
    void changed();
    // The background drawn at `scale` device pixels per preview pixel, made
    // again only when the scale or the picture behind it changed. False when
    // the user's picture can no longer be read: the preview is then drawn at
    // its own size.
    bool makeSharpBackground(double scale);

    WatermarkSettings& m_design;
    DesignerHost m_host;
    QPointer<QWidget> m_mainWindow;

    std::unique_ptr<TextRenderer> m_renderer;
    std::unique_ptr<TextPicture> m_textBox;
    Surface m_background;  // the sample, or the user's picture, without watermark
    // The part of m_background the picture covers (all of it for the
    // sample; a portrait leaves grey bars beside it). The watermark is
    // placed and drawn inside it only, as the run draws it on the picture.
    QRect m_pictureArea{0, 0, kPreviewWidth, kPreviewHeight};
    // On a screen with more device pixels than preview pixels the preview is
    // drawn from these instead: the same background with `m_sharpScale`
    // times the pixels across, and the picture's part of it. A scale of 0:
    // not made yet; an empty background: the picture could not be read
    // again at that scale.
    std::string m_externalPicture;  // the user's picture behind the preview, if any
    Surface m_sharpBackground;
    QRect m_sharpArea;
    double m_sharpScale = 0.0;
    std::int16_t m_lineBreakCount = 0;
    bool m_loading = true;

    QPlainTextEdit* m_Text1 = nullptr;
    QComboBox* m_cboAngle = nullptr;
    QScrollBar* m_sldrManual = nullptr;
    QScrollBar* m_sliderAngle = nullptr;  // not shown: the effective angle
    QLabel* m_Label13 = nullptr;
    std::array<QScrollBar*, 4> m_HScroll1{};  // 2 and 3 not shown
    std::array<QLabel*, 2> m_valueLabels{};   // Label3, Label4
    std::array<QRadioButton*, 6> m_Option1{};
    std::array<QRadioButton*, 3> m_Option2{};
    std::array<QRadioButton*, 3> m_Option3{};
    QButtonGroup* m_colourGroup = nullptr;
    QButtonGroup* m_hGroup = nullptr;
    QButtonGroup* m_vGroup = nullptr;
    PreviewBox* m_Picture2 = nullptr;
    ccXPButton* m_ccXPButton1 = nullptr;
    ccXPButton* m_ccXPButton2 = nullptr;
    ccXPButton* m_ccXPButton3 = nullptr;
};

}  // namespace vendrik
