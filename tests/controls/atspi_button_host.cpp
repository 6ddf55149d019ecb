// A window with two ccXPButtons for the accessibility test: it writes one
// line "Click <caption>" to standard output for every Click, so the test
// can count what pressing a button through AT-SPI raised.

#include <QApplication>
#include <QHBoxLayout>
#include <QWidget>
#include <cstdio>

#include "controls/caption_text.h"
#include "controls/ccXPButton.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Vendrik-Testfenster"));
    auto* layout = new QHBoxLayout(&window);
    for (const char* caption : {"&Normal", "&Andere"}) {
        auto* button = new vendrik::ccXPButton(QString::fromUtf8(caption), &window);
        layout->addWidget(button);
        const QByteArray name = vendrik::parseCaption(button->Caption()).shown.toUtf8();
        QObject::connect(button, &vendrik::ccXPButton::Click, [name] {
            std::printf("Click %s\n", name.constData());
            std::fflush(stdout);
        });
    }
    window.show();
    return QApplication::exec();
}
