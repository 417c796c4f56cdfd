#pragma once

#include <QString>

class QWidget;

// The question "Multiple browser windows" before several pages are opened at once, with the check box
// "Yes, and don't ask again".
namespace MultBrowsersDlg {

struct Answer
{
    bool ok = false;
    bool dontAskAgain = false;
};

Answer Ask(QWidget* parent, int windows);

// Test hook: the next Ask returns this answer at once, without showing the dialog.
void SetNextAnswer(Answer answer);
// The question of the last Ask.
QString LastQuestion();

} // namespace MultBrowsersDlg
