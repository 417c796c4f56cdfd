#include "ui/widgets/PlainText.h"

#include <QLabel>
#include <QTextDocument>

QString PlainToolTip(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}

QLabel* MakePlain(QLabel* label)
{
    label->setTextFormat(Qt::PlainText);
    return label;
}
