#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

// Every message box of the program goes through here, so that tests can answer them: with answers
// queued by SetNextAnswer, no box is shown and the queued answer is returned at once.
namespace MessageBox {

QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                 QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                 QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// Shorthands: an OK box with the warning, error or information icon; a Yes/No question (true for Yes).
void Warning(QWidget* parent, const QString& text);
void Error(QWidget* parent, const QString& text);
void Information(QWidget* parent, const QString& text);
bool AskYesNo(QWidget* parent, const QString& text);

// The same box without a nested event loop: shown window-modal (QMessageBox::open) and answered
// later through answered, on the GUI thread. A queued test answer answers at once, before returning.
// For boxes asked from inside the core's events and timers, which must not wait for the user.
void Open(QWidget* parent, QMessageBox::Icon icon, const QString& text,
          QMessageBox::StandardButtons buttons = QMessageBox::Ok,
          QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
          std::function<void(QMessageBox::StandardButton)> answered = {});

// Test hooks: queue the answer of the next box; read the texts of the boxes answered from the queue,
// or shown, since the last call of TakeShownTexts.
void SetNextAnswer(QMessageBox::StandardButton answer);
QStringList TakeShownTexts();

} // namespace MessageBox
