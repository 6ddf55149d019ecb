// What the designer shows and stores: the preview on screen against the
// core's own preview for the same values, the user's picture behind it,
// and the settings file after "ÜBERNEHMEN" and after every way of leaving
// without it.

#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "designer_fixture.h"
#include "imaging/png_writer.h"
#include "support/test_support.h"

using namespace vendrik;
using vendrik::test::Designer;

namespace {

// The settings file's lines, without their line ends.
std::vector<std::string> lines(const std::string& file) {
    const std::vector<std::uint8_t> bytes = test::readFileBytes(file);
    std::vector<std::string> out;
    std::string line;
    for (const std::uint8_t b : bytes) {
        if (b == '\n') {
            out.push_back(line);
            line.clear();
        } else if (b != '\r') {
            line.push_back(static_cast<char>(b));
        }
    }
    if (!line.empty()) {
        out.push_back(line);
    }
    return out;
}

void writePicture(const std::string& path, int w, int h, Bgr colour) {
    Surface s(w, h);
    s.fill(colour);
    test::writeFileBytes(path, encodePng(s));
}

const char* const kExistingFile =
    "[Tervane Vendrik]\r\n"
    "Quelle=/home/anna/Bilder/\r\n"
    "Angle=12\r\n"
    "Info=alt\r\n"
    "Quality=80\r\n";

}  // namespace

class DesignerPreviewTest : public QObject {
    Q_OBJECT
private slots:
    void previewPixelsEqualTheCoreRenderer();
    void plus90TurnsBy269Degrees();
    void externalPictureIsLetterboxed();
    void badExternalPictureKeepsTheSample();
    void sharpAtDevicePixelRatio2();
    void leavingWithoutApplyWritesNothing_data();
    void leavingWithoutApplyWritesNothing();
    void applyWritesTheTenKeysAndReplacesTheDesign();
    void applyAfterHostileValuesStoresTheFallbacks();
};

void DesignerPreviewTest::previewPixelsEqualTheCoreRenderer() {
    struct Case {
        const char* what;
        std::function<void(Designer&)> set;
        PreviewDesign expected;
    };
    const std::string text = "Zeile eins\r\nZeile zwei";
    const Case cases[] = {
        {"largest size, right, bottom, yellow, manual 30°",
         [](Designer& d) {
             d.scroll("HScroll1_1")->setValue(70);
             d.scroll("HScroll1_0")->setValue(80);
             d.option("Option1_3")->click();
             d.option("Option2_2")->click();
             d.option("Option3_2")->click();
             d.scroll("sldrManual")->setValue(30);
         },
         {text, 30, 80, 70, WatermarkColour::Yellow, HorizontalAlignment::Right,
          VerticalAlignment::Bottom}},
        {"Normal, left, top, red, smallest size, opaque",
         [](Designer& d) {
             d.angleMode()->setCurrentIndex(0);
             d.scroll("HScroll1_1")->setValue(16);
             d.scroll("HScroll1_0")->setValue(100);
             d.option("Option1_4")->click();
             d.option("Option2_0")->click();
             d.option("Option3_0")->click();
         },
         {text, 0, 100, 16, WatermarkColour::Red, HorizontalAlignment::Left,
          VerticalAlignment::Top}},
        {"-90°, one line, green",
         [](Designer& d) {
             d.text()->setPlainText(QStringLiteral("Eine Zeile"));
             d.angleMode()->setCurrentIndex(2);
             d.option("Option1_5")->click();
             d.dialog().RotBlit();
         },
         {"Eine Zeile", 89, 45, 38, WatermarkColour::Green, HorizontalAlignment::Centre,
          VerticalAlignment::Middle}},
    };
    for (const Case& c : cases) {
        WatermarkSettings stored;
        stored.text = text;
        Designer d(stored);
        QVERIFY(d.show());
        c.set(d);
        WatermarkSettings scratch;
        const QImage expected = test::corePreview(c.expected, scratch);
        QVERIFY2(d.shownPreview() == expected, c.what);
        // Every preview leaves the text's edges in the design's position fields.
        QVERIFY2(d.design().hPos == scratch.hPos && d.design().vPos == scratch.vPos, c.what);
    }
}

void DesignerPreviewTest::plus90TurnsBy269Degrees() {
    WatermarkSettings stored = Settings::defaultWatermarkDesign();
    stored.angleMode = WatermarkAngleMode::Normal;
    stored.angle = Fixed4(0);
    stored.hAlign = HorizontalAlignment::Left;
    Designer d(stored);
    d.angleMode()->setCurrentIndex(3);
    QCOMPARE(d.label("Label13"), QStringLiteral("90°"));
    PreviewDesign expected = previewDesignOf(stored);
    expected.angle = 269;
    expected.vAlign = VerticalAlignment::Middle;
    QCOMPARE(d.shownPreview(), test::corePreview(expected));
    expected.angle = 90;  // a quarter turn the other way is another picture
    QVERIFY(d.shownPreview() != test::corePreview(expected));
}

void DesignerPreviewTest::externalPictureIsLetterboxed() {
    test::TempDir dir;
    // 614 × 111 fits the 307 × 222 preview at 307 × 56 (55.5, halves to even).
    const std::string wide = dir.file("breit.png");
    writePicture(wide, 614, 111, {0, 0, 255});
    Designer d;
    d.scroll("HScroll1_0")->setValue(0);  // no watermark: the picture alone
    QSignalSpy redrawn(&d.dialog(), &frmWatermark::previewRedrawn);
    QVERIFY(d.dialog().LoadExternalPic(wide));
    QCOMPARE(redrawn.count(), 1);
    const QImage shown = d.shownPreview();
    QCOMPARE(shown.size(), QSize(307, 222));
    const QRgb grey = qRgb(0x40, 0x40, 0x40);
    const QRgb red = qRgb(255, 0, 0);
    for (const auto& [y, colour] :
         {std::pair{0, grey}, std::pair{82, grey}, std::pair{83, red}, std::pair{138, red},
          std::pair{139, grey}, std::pair{221, grey}}) {
        for (const int x : {0, 150, 306}) {
            QVERIFY2(shown.pixel(x, y) == colour,
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        }
    }

    // A tall picture stands in the middle, grey at both sides.
    const std::string tall = dir.file("hoch.png");
    writePicture(tall, 100, 400, {0, 255, 0});
    QVERIFY(d.dialog().LoadExternalPic(tall));
    const QImage upright = d.shownPreview();
    QCOMPARE(upright.pixel(0, 111), grey);
    QCOMPARE(upright.pixel(153, 0), qRgb(0, 255, 0));
    QCOMPARE(upright.pixel(153, 221), qRgb(0, 255, 0));
    QCOMPARE(upright.pixel(306, 111), grey);

    // The watermark is placed on the user's picture and drawn over it
    // only, as the run draws it: the grey bars beside a portrait stay grey,
    // whatever the alignment.
    d.scroll("HScroll1_0")->setValue(60);
    Surface picture(56, 222);  // 100 × 400 fits at 56 × 222 (55.5 to even), from x 125
    picture.fill({0, 255, 0});
    for (const char* h : {"Option2_0", "Option2_1", "Option2_2"}) {
        QTest::mouseClick(d.option(h), Qt::LeftButton);
        const QImage watermarked = d.shownPreview();
        for (int y = 0; y < 222; ++y) {
            for (int x = 0; x < 307; ++x) {
                if (x < 125 || x >= 125 + 56) {
                    QVERIFY2(watermarked.pixel(x, y) == grey,
                             qPrintable(QStringLiteral("%1 %2,%3").arg(h).arg(x).arg(y)));
                }
            }
        }
        PreviewDesign expected = previewDesignOf(WatermarkSettings{});
        expected.text = d.design().text;
        expected.opacity = 60;
        expected.hAlign = HorizontalAlignment{static_cast<std::int16_t>(h[8] - '0')};
        WatermarkSettings scratch;
        const QImage alone = test::corePreview(expected, scratch, &picture);
        QCOMPARE(watermarked.copy(125, 0, 56, 222), alone);
        QVERIFY(alone != toQImage(picture));  // the text shows on the picture
    }
}

void DesignerPreviewTest::badExternalPictureKeepsTheSample() {
    test::TempDir dir;
    const std::string corrupt = dir.file("kaputt.jpg");
    test::writeText(corrupt, std::string("\xFF\xD8\xFF\xE0", 4) + std::string(300, '\x5A'));
    // A BMP whose header claims 60000 × 60000 pixels, without them.
    const std::string huge = dir.file("riesig.bmp");
    test::writeBmp(huge, 1, 1, 0);
    std::vector<std::uint8_t> header = test::readFileBytes(huge);
    for (const int at : {18, 22}) {
        header[at] = 0x60;
        header[at + 1] = 0xEA;  // 60000 = 0xEA60
    }
    test::writeFileBytes(huge, header);
    const std::string empty = dir.file("leer.png");
    test::writeText(empty, "");

    Designer d;
    d.scroll("HScroll1_0")->setValue(0);
    const QImage sample = toQImage(makePreviewSample());
    QCOMPARE(d.shownPreview(), sample);
    for (const std::string& path :
         {corrupt, huge, empty, dir.file("fehlt.png"), dir.path().string()}) {
        QVERIFY2(!d.dialog().LoadExternalPic(path), path.c_str());
        QVERIFY2(d.shownPreview() == sample, path.c_str());
    }
}

// Registered a second time with QT_SCALE_FACTOR=2, where it must not skip.
void DesignerPreviewTest::sharpAtDevicePixelRatio2() {
    if (qApp->devicePixelRatio() != 2.0) {
        QSKIP("runs as watermark_ui.designer_preview_hidpi");
    }
    WatermarkSettings stored;
    stored.text = "Zeile eins\r\nZeile zwei";
    Designer d(stored);
    QVERIFY(d.show());
    d.scroll("HScroll1_1")->setValue(70);
    d.option("Option1_3")->click();
    d.option("Option2_2")->click();
    d.option("Option3_2")->click();
    d.scroll("sldrManual")->setValue(30);
    const PreviewDesign design{stored.text, 30, 45, 70, WatermarkColour::Yellow,
                               HorizontalAlignment::Right, VerticalAlignment::Bottom};

    // The screen's device pixels come from a preview drawn with twice the
    // pixels, not from the small one enlarged.
    WatermarkSettings small;
    WatermarkSettings sharp;
    const QImage ownSize = test::corePreview(design, small);
    const QImage shown = d.shownPreview();
    QCOMPARE(shown.size(), QSize(2 * kPreviewWidth, 2 * kPreviewHeight));
    QCOMPARE(shown, test::corePreview(design, sharp, nullptr, 2.0));
    // The positions the design keeps are those of the preview's own size.
    QCOMPARE(d.design().hPos, small.hPos);
    QCOMPARE(d.design().vPos, small.vPos);
    QCOMPARE(sharp.hPos, small.hPos);

    // Drawn at twice the size, each tile of 8 × 8 preview pixels holds on
    // average what the small preview holds there (the text stands where it
    // stood, as large: 13 levels at most here, 60 with the text a third of
    // the preview away); and most 2 × 2 blocks hold detail an enlargement of
    // the small preview would not have.
    constexpr int kTile = 8;
    int worst = 0;
    int detailed = 0;
    for (int ty = 0; ty + kTile <= kPreviewHeight; ty += kTile) {
        for (int tx = 0; tx + kTile <= kPreviewWidth; tx += kTile) {
            int sharpSum = 0;
            int smallSum = 0;
            for (int y = ty; y < ty + kTile; ++y) {
                for (int x = tx; x < tx + kTile; ++x) {
                    const QRgb quad[] = {shown.pixel(2 * x, 2 * y), shown.pixel(2 * x + 1, 2 * y),
                                         shown.pixel(2 * x, 2 * y + 1),
                                         shown.pixel(2 * x + 1, 2 * y + 1)};
                    for (const QRgb p : quad) {
                        sharpSum += qGray(p);
                    }
                    smallSum += qGray(ownSize.pixel(x, y));
                    detailed += (quad[0] != quad[1] || quad[0] != quad[2] || quad[0] != quad[3]);
                }
            }
            worst = std::max(worst, std::abs(sharpSum / 4 - smallSum) / (kTile * kTile));
        }
    }
    qInfo("largest tile difference %d, blocks with detail %d", worst, detailed);
    QVERIFY2(worst <= 24, qPrintable(QString::number(worst)));
    QVERIFY2(detailed > kPreviewWidth * kPreviewHeight / 2, qPrintable(QString::number(detailed)));

    // The user's portrait, fitted at device pixels (100 × 400 into 614 × 444
    // is 111 × 444, from x 251): the text stays on it, the bars stay grey.
    test::TempDir dir;
    const std::string tall = dir.file("hoch.png");
    writePicture(tall, 100, 400, {0, 255, 0});
    QVERIFY(d.dialog().LoadExternalPic(tall));
    const QImage portrait = d.shownPreview();
    QCOMPARE(portrait.size(), shown.size());
    int onPicture = 0;
    for (int y = 0; y < portrait.height(); ++y) {
        for (int x = 0; x < portrait.width(); ++x) {
            const bool inside = x >= 251 && x < 251 + 111;
            const QRgb p = portrait.pixel(x, y);
            QVERIFY2(inside || p == qRgb(0x40, 0x40, 0x40),
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            onPicture += (inside && p != qRgb(0, 255, 0)) ? 1 : 0;
        }
    }
    QVERIFY(onPicture > 0);  // the text shows on the picture
}

void DesignerPreviewTest::leavingWithoutApplyWritesNothing_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Abbrechen") << 0;
    QTest::newRow("frame close") << 1;
    QTest::newRow("Escape") << 2;
}

void DesignerPreviewTest::leavingWithoutApplyWritesNothing() {
    QFETCH(int, way);
    test::TempDir dir;
    const std::string file = dir.file("vendrik.ini");
    test::writeText(file, kExistingFile);
    const std::vector<std::uint8_t> before = test::readFileBytes(file);
    WatermarkSettings stored;
    stored.text = "Text";
    Designer d(stored, file);
    QVERIFY(d.show());
    // Changes of every kind first.
    d.scroll("HScroll1_0")->setValue(90);
    d.angleMode()->setCurrentIndex(3);
    d.option("Option1_2")->click();
    QTest::keyClicks(d.text(), QStringLiteral("neu"));
    switch (way) {
        case 0:
            QTest::mouseClick(d.button("ccXPButton2"), Qt::LeftButton);
            break;
        case 1:
            d.dialog().close();
            break;
        default:
            QTest::keyClick(d.text(), Qt::Key_Escape);
            break;
    }
    QVERIFY(!d.dialog().isVisible());
    QCOMPARE(d.dialog().result(), int(QDialog::Rejected));
    QVERIFY(d.mainWindow().isVisible());
    QVERIFY(test::readFileBytes(file) == before);
    // The design is as it was, but for the preview's scratch fields.
    WatermarkSettings expected = stored;
    expected.hPos = d.design().hPos;
    expected.vPos = d.design().vPos;
    QCOMPARE(d.design().text, expected.text);
    QCOMPARE(d.design().opacity, expected.opacity);
    QCOMPARE(d.design().angle, expected.angle);
    QCOMPARE(d.design().angleMode, expected.angleMode);
    QCOMPARE(d.design().color, expected.color);
}

void DesignerPreviewTest::applyWritesTheTenKeysAndReplacesTheDesign() {
    test::TempDir dir;
    const std::string file = dir.file("vendrik.ini");
    test::writeText(file, kExistingFile);
    WatermarkSettings stored;
    stored.text = "Zeile eins";
    Designer d(stored, file);
    QVERIFY(d.show());
    d.text()->setFocus();
    d.text()->moveCursor(QTextCursor::End);
    QTest::keyClick(d.text(), Qt::Key_Return);
    QTest::keyClicks(d.text(), QStringLiteral("Zeile zwei"));
    d.scroll("HScroll1_0")->setValue(60);
    d.scroll("HScroll1_1")->setValue(52);
    d.scroll("sldrManual")->setValue(25);
    d.option("Option1_4")->click();
    d.option("Option2_0")->click();
    d.option("Option3_2")->click();
    QTest::mouseClick(d.button("ccXPButton1"), Qt::LeftButton);

    QVERIFY(!d.dialog().isVisible());
    QCOMPARE(d.dialog().result(), int(QDialog::Accepted));
    QVERIFY(d.mainWindow().isVisible());
    const std::vector<std::string> expected = {
        "[Tervane Vendrik]",
        "Quelle=/home/anna/Bilder/",
        "Angle=25",
        "Info=Zeile eins#\xA7Zeile zwei",  // the marker pair, "§" as its one Windows-1252 byte
        "Quality=80",
        "Alpha=60",
        "WSize=52",
        "HPos=160",
        "VPos=120",
        "Color=4",
        "HPosN=0",
        "VPosN=2",
        "AngleN=1",
    };
    QCOMPARE(lines(file), expected);

    const WatermarkSettings& now = d.design();
    QCOMPARE(now.text, std::string("Zeile eins\r\nZeile zwei"));
    QCOMPARE(now.lineBreaks, std::int16_t{1});
    QCOMPARE(d.dialog().lineBreakCount(), std::int16_t{1});
    QCOMPARE(now.angle, Fixed4(25));
    QCOMPARE(now.angleMode, WatermarkAngleMode::Manuell);
    QCOMPARE(now.opacity, Fixed4(60));
    QCOMPARE(now.size, std::int16_t{52});
    QCOMPARE(now.hPos, 160.0);
    QCOMPARE(now.vPos, 120.0);
    QCOMPARE(now.color, WatermarkColour::Red);
    QCOMPARE(now.hAlign, HorizontalAlignment::Left);
    QCOMPARE(now.vAlign, VerticalAlignment::Bottom);
}

void DesignerPreviewTest::applyAfterHostileValuesStoresTheFallbacks() {
    test::TempDir dir;
    const std::string file = dir.file("vendrik.ini");
    WatermarkSettings stored;
    stored.angleMode = WatermarkAngleMode{9};
    stored.angle = Fixed4(9999);
    stored.size = -5;
    stored.hPos = 5000;
    stored.color = WatermarkColour{17};
    stored.text = "a\rb";  // a lone CR, as a "#" typed before the last start gives
    Designer d(stored, file);
    QVERIFY(d.show());
    QTest::mouseClick(d.button("ccXPButton1"), Qt::LeftButton);
    // Scroll bars store their designed values; groups with nothing chosen
    // keep what was stored.
    const std::vector<std::string> expected = {
        "[Tervane Vendrik]",
        "Angle=40",
        "Alpha=45",
        "WSize=38",
        "HPos=160",
        "VPos=120",
        "Info=a#\xA7"
        "b",
        "Color=17",
        "HPosN=1",
        "VPosN=1",
        "AngleN=-1",
    };
    QCOMPARE(lines(file), expected);
    QCOMPARE(d.design().size, std::int16_t{38});
    QCOMPARE(d.design().lineBreaks, std::int16_t{1});
}

QTEST_MAIN(DesignerPreviewTest)
#include "designer_preview_test.moc"
