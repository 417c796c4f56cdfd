#include "ui/list/MultBrowsersDlg.h"

#include <QCheckBox>
#include <QMessageBox>

#include <optional>

namespace {

std::optional<MultBrowsersDlg::Answer>& NextAnswer()
{
    static std::optional<MultBrowsersDlg::Answer> answer;
    return answer;
}

QString& Question()
{
    static QString question;
    return question;
}

} // namespace

namespace MultBrowsersDlg {

Answer Ask(QWidget* parent, int windows)
{
    Question() = QString("Are you sure you want to open %1 browser windows?").arg(windows);
    if (NextAnswer()) {
        const Answer answer = *NextAnswer();
        NextAnswer().reset();
        return answer;
    }
    QMessageBox box(QMessageBox::Question, "Multiple browser windows", Question(),
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    auto* dontAsk = new QCheckBox("Yes, and don't ask again", &box);
    box.setCheckBox(dontAsk);
    Answer answer;
    answer.ok = box.exec() == QMessageBox::Ok;
    answer.dontAskAgain = dontAsk->isChecked();
    return answer;
}

void SetNextAnswer(Answer answer)
{
    NextAnswer() = answer;
}

QString LastQuestion()
{
    return Question();
}

} // namespace MultBrowsersDlg
