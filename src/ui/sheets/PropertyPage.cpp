#include "ui/sheets/PropertyPage.h"

#include "ui/widgets/Colours.h"
#include "ui/widgets/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpressionValidator>

CPropertyPage::CPropertyPage(const QString& caption, const QIcon& icon, QWidget* parent)
    : QWidget(parent)
    , m_caption(caption)
    , m_icon(icon)
{ }

namespace {

bool Refuse(QWidget* page, QLineEdit* field, const QString& text)
{
    MessageBox::Warning(page, text);
    field->setFocus();
    field->selectAll();
    return false;
}

} // namespace

bool CPropertyPage::ReadInt(QLineEdit* field, int& value)
{
    bool ok = false;
    const int number = field->text().trimmed().toInt(&ok);
    if (!ok)
        return Refuse(this, field, tr("Please enter an integer."));
    value = number;
    return true;
}

bool CPropertyPage::ReadInt(QLineEdit* field, int& value, int minimum, int maximum)
{
    int number = 0;
    if (!ReadInt(field, number))
        return false;
    if (number < minimum || number > maximum)
        return Refuse(this, field, tr("Please enter an integer between %1 and %2.").arg(minimum).arg(maximum));
    value = number;
    return true;
}

QLineEdit* CPropertyPage::NewDigitsField()
{
    auto* field = new QLineEdit(this);
    field->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), field));
    return field;
}

void CPropertyPage::SetCheck(QCheckBox* box, int value)
{
    box->setChecked(value != 0);
}

int CPropertyPage::Checked(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

int CPropertyPage::ComboIndex(const QComboBox* box, int current)
{
    return box->currentIndex() >= 0 ? box->currentIndex() : current;
}

void CPropertyPage::SetTextColour(QWidget* widget, const QColor& colour)
{
    // Black and red stand for plain text and a mistake, in the shades the palette in use reads well in.
    const QColor shown = colour == QColor(Qt::black) ? Colours::Of(Colours::Role::Text)
        : colour == QColor(Qt::red)                  ? Colours::Of(Colours::Role::Changed)
                                                     : colour;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, shown);
    palette.setColor(QPalette::WindowText, shown);
    widget->setPalette(palette);
}

void CPropertyPage::SetText(QLineEdit* field, const QString& text)
{
    if (field->text() != text)
        field->setText(text);
}
