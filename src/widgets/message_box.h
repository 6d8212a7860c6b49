// Message boxes the program shows: warnings and start-up failures through
// AppMessageBox, and the default display for errors no handler caught.
#pragma once

#include <QMessageBox>
#include <QString>
#include <exception>
#include <functional>

namespace virn::widgets {

inline const QString kApplicationTitle = QStringLiteral("ВИРН");

// The window the program's message boxes belong to, and are centred on: a
// modal dialog that is open, else the main window, else the active window.
void SetMainWindow(QWidget* window);
QWidget* MessageBoxParent();

// Modal, the application title as caption, one OK button, kept on top.
void AppMessageBox(const QString& text, QMessageBox::Icon icon);

// The error text as shown: a full stop is added when the message lacks one.
QString ErrorDisplayText(const QString& message);

// The application's default error display: message, title as caption, error icon.
void ShowException(const std::exception& error);

// Runs a handler; an exception it lets through is shown by the default error
// display and the program goes on.
void Guarded(const std::function<void()>& handler);

}  // namespace virn::widgets
