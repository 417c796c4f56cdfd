#include "ui/widgets/MessageBox.h"

#include <QApplication>
#include <QQueue>
#include <QStringList>

namespace {

QQueue<QMessageBox::StandardButton>& Answers()
{
    static QQueue<QMessageBox::StandardButton> answers;
    return answers;
}

QStringList& ShownTexts()
{
    static QStringList texts;
    return texts;
}

} // namespace

namespace MessageBox {

QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                 QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    ShownTexts().append(text);
    if (!Answers().isEmpty())
        return Answers().dequeue();
    QMessageBox box(icon, QApplication::applicationDisplayName(), text, buttons, parent);
    // Texts carry names and errors from pages and files: shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void Open(QWidget* parent, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons,
          QMessageBox::StandardButton defaultButton, std::function<void(QMessageBox::StandardButton)> answered)
{
    ShownTexts().append(text);
    if (!Answers().isEmpty()) {
        const QMessageBox::StandardButton answer = Answers().dequeue();
        if (answered)
            answered(answer);
        return;
    }
    auto* box = new QMessageBox(icon, QApplication::applicationDisplayName(), text, buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(defaultButton);
    QObject::connect(box, &QMessageBox::finished, box, [box, answered = std::move(answered)](int) {
        // Closed by the window's own button counts as the escape button (No, or OK).
        const QMessageBox::StandardButton button = box->standardButton(box->clickedButton());
        if (answered)
            answered(button != QMessageBox::NoButton ? button : QMessageBox::No);
    });
    box->open();
}

void Warning(QWidget* parent, const QString& text)
{
    Show(parent, QMessageBox::Warning, text);
}

void Error(QWidget* parent, const QString& text)
{
    Show(parent, QMessageBox::Critical, text);
}

void Information(QWidget* parent, const QString& text)
{
    Show(parent, QMessageBox::Information, text);
}

bool AskYesNo(QWidget* parent, const QString& text)
{
    return Show(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

void SetNextAnswer(QMessageBox::StandardButton answer)
{
    Answers().enqueue(answer);
}

QStringList TakeShownTexts()
{
    QStringList texts;
    texts.swap(ShownTexts());
    return texts;
}

} // namespace MessageBox
