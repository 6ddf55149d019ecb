// The windows' icon comes from the program itself: every drawn size is
// there (a resource left out of the static library would give an empty
// icon without any error).

#include "controls/program_icon.h"

#include <QTest>
#include <algorithm>

using namespace vendrik;

class ProgramIconTest : public QObject {
    Q_OBJECT
private slots:
    void everyDrawnSizeIsThere();
};

void ProgramIconTest::everyDrawnSizeIsThere() {
    const QIcon icon = programIcon();
    QList<int> sizes;
    for (const QSize& s : icon.availableSizes()) {
        QCOMPARE(s.width(), s.height());
        sizes.append(s.width());
    }
    std::sort(sizes.begin(), sizes.end());
    QCOMPARE(sizes, (QList<int>{16, 32, 48, 64, 128, 256}));
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QImage picture = icon.pixmap(size, size).toImage();
        QCOMPARE(picture.size(), QSize(size, size));
        // The tile fills the middle and leaves the corners clear.
        QCOMPARE(qAlpha(picture.pixel(size / 2, size / 2)), 255);
        QCOMPARE(qAlpha(picture.pixel(0, 0)), 0);
    }
}

QTEST_MAIN(ProgramIconTest)
#include "program_icon_test.moc"
