#include "optimiser/ui/window_services.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "optimiser/ui/window_look.h"
#include "startup/settings_file.h"
#include "startup/ui/frmDirSelect.h"

namespace vendrik {
namespace {

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void WindowServices::showMessage(QWidget* parent, const QString& text, MessageIcon icon) {
    QMessageBox box(iconOf(icon), qtText(ProductTitle), text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

bool WindowServices::askYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, qtText(ProductTitle), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    // The German buttons whatever translations the system has.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::string WindowServices::chooseFolder(QWidget* parent, const QString& caption,
                                         const std::string& startPath) {
    return vendrik::chooseFolder(parent, caption, startPath);
}

void WindowServices::openWithShell(QWidget* /*parent*/, const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace vendrik
