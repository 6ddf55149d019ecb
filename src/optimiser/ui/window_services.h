#pragma once
// What the main window asks of the desktop and of the user outside its own
// controls: message boxes, yes/no questions, the folder chooser and opening
// a file with its associated program. The window goes through this one
// interface so that its tests can answer in place of a user; the program
// uses WindowServices itself, which shows the real boxes and dialogs.

#include <QString>
#include <string>

#include "startup/window_helpers.h"

class QWidget;

namespace vendrik {

class WindowServices {
public:
    virtual ~WindowServices() = default;

    // ShowMessage: an OK box with the icon, titled with the product title.
    virtual void showMessage(QWidget* parent, const QString& text, MessageIcon icon);
    // A question with the buttons "Ja" and "Nein" and the question icon,
    // titled with the product title; true for "Ja".
    virtual bool askYesNo(QWidget* parent, const QString& text);
    // The folder chooser frmDirSelect, modal over `parent`; the chosen
    // folder with a trailing "/", or `startPath` unchanged when it was
    // cancelled.
    virtual std::string chooseFolder(QWidget* parent, const QString& caption,
                                     const std::string& startPath);
    // OpenWithShell: the desktop's default program for the file. The
    // outcome is not checked.
    virtual void openWithShell(QWidget* parent, const std::string& path);
};

}  // namespace vendrik
