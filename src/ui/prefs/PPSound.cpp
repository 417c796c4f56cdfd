#include "ui/prefs/PPSound.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CPPSound::CPPSound(PlaySound playSound, QWidget* parent)
    : CPropertyPage(tr("Notifications::Sound"), QIcon(":/sheets/sound.svg"), parent)
    , m_playSound(std::move(playSound))
    , m_choice(new QButtonGroup(this))
    , m_file(new QLineEdit(this))
{
    auto* group = new QGroupBox(tr("When changes are detected : "), this);
    auto* grid = new QGridLayout(group);
    const char* labels[] = {"Be silent", "Play default sound", "Custom sound"};
    for (int value = 0; value < 3; ++value) {
        auto* button = new QRadioButton(tr(labels[value]), group);
        button->setObjectName(QString("soundPreference%1").arg(value));
        m_choice->addButton(button, value);
        grid->addWidget(button, value, 0, 1, 2);
    }
    m_file->setObjectName("soundFilename");
    auto* browse = new QPushButton(tr("..."), group);
    browse->setObjectName("browseSound");
    browse->setFixedWidth(32);
    connect(browse, &QPushButton::clicked, this, &CPPSound::OnBrowse);
    grid->addWidget(m_file, 3, 0);
    grid->addWidget(browse, 3, 1);

    auto* test = new QPushButton(tr("Test"), this);
    test->setObjectName("testSound");
    connect(test, &QPushButton::clicked, this, &CPPSound::OnTest);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(test, 0, Qt::AlignLeft);
    layout->addStretch(1);
}

void CPPSound::LoadControls()
{
    if (QAbstractButton* button = m_choice->button(m_values.soundPreference))
        button->setChecked(true);
    m_file->setText(QString::fromStdString(m_values.soundFilename));
}

bool CPPSound::StoreControls()
{
    if (m_choice->checkedId() >= 0)
        m_values.soundPreference = m_choice->checkedId();
    m_values.soundFilename = m_file->text().toStdString();
    return true;
}

void CPPSound::OnBrowse()
{
    const QString file = QFileDialog::getOpenFileName(this, QString(), m_file->text(), tr("Sound Files(*.wav)"));
    if (file.isEmpty())
        return;
    m_values.soundFilename = file.toStdString();
    m_file->setText(file);
}

void CPPSound::OnTest()
{
    // The choice and file shown, saved or not.
    StoreControls();
    if (m_playSound && m_values.soundPreference != 0)
        m_playSound(m_values.soundPreference, QString::fromStdString(m_values.soundFilename));
}
