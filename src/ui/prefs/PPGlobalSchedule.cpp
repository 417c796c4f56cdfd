#include "ui/prefs/PPGlobalSchedule.h"

#include "model/PrefKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

CPPGlobalSchedule::CPPGlobalSchedule(QWidget* parent)
    : CPropertyPage(tr("Schedule"), QIcon(":/sheets/schedule.svg"), parent)
    , m_autoCheck(new QCheckBox(tr("Periodically check for changes"), this))
    , m_frequency(new QSpinBox(this))
    , m_units(new QComboBox(this))
    , m_jitter(new QSpinBox(this))
{
    m_autoCheck->setObjectName("autoCheck");
    m_frequency->setObjectName("checkFrequency");
    m_units->setObjectName("checkUnits");
    m_frequency->setRange(Pref::checkFrequency.min, Pref::checkFrequency.max);
    m_units->addItems({tr("Seconds"), tr("Minutes"), tr("Hours"), tr("Days")});
    m_jitter->setObjectName("checkJitter");
    m_jitter->setRange(Pref::checkJitter.min, Pref::checkJitter.max);
    m_jitter->setSuffix(tr(" %"));
    m_jitter->setToolTip(tr("Pages with an interval of their own are checked up to this share of it earlier or "
                            "later, so that their checks do not arrive like clockwork"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_autoCheck, 0, 0, 1, 4);
    grid->addWidget(new QLabel(tr("Check every"), this), 1, 0);
    grid->addWidget(m_frequency, 1, 1);
    grid->addWidget(m_units, 1, 2);
    grid->addWidget(new QLabel(tr("Vary each page's own interval by up to"), this), 2, 0, 1, 2);
    grid->addWidget(m_jitter, 2, 2);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(3, 1);
}

void CPPGlobalSchedule::LoadControls()
{
    SetCheck(m_autoCheck, m_values.autoCheck);
    m_frequency->setValue(m_values.checkFrequency);
    m_units->setCurrentIndex(m_values.checkUnits);
    m_jitter->setValue(m_values.checkJitter);
}

bool CPPGlobalSchedule::StoreControls()
{
    m_values.autoCheck = Checked(m_autoCheck);
    m_values.checkFrequency = m_frequency->value();
    m_values.checkUnits = ComboIndex(m_units, m_values.checkUnits);
    m_values.checkJitter = m_jitter->value();
    return true;
}
