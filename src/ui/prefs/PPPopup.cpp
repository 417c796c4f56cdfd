#include "ui/prefs/PPPopup.h"

#include "model/PrefKeys.h"
#include "ui/notify/TaskbarNotifier.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

CPPPopup::CPPPopup(ShowPopup showPopup, QWidget* parent)
    : CPropertyPage(tr("Notifications::Popup Window"), QIcon(":/sheets/popup.svg"), parent)
    , m_showPopup(std::move(showPopup))
    , m_notify(new QCheckBox(tr("Display a popup window"), this))
    , m_autoClose(new QCheckBox(tr("Automatically close after"), this))
    , m_duration(new QSpinBox(this))
{
    m_notify->setObjectName("popupNotify");
    m_autoClose->setObjectName("autoClosePopupNotify");
    m_duration->setObjectName("popupDuration");
    m_duration->setRange(Pref::popupDuration.min, Pref::popupDuration.max);

    auto* test = new QPushButton(tr("Test"), this);
    test->setObjectName("testPopup");
    connect(test, &QPushButton::clicked, this, [this] {
        // A fixed sample: the page's values are not used.
        if (m_showPopup)
            m_showPopup(CTaskbarNotifier::TestText(), CTaskbarNotifier::TestAppearMs, CTaskbarNotifier::TestStayMs,
                        CTaskbarNotifier::TestVanishMs);
    });

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_notify, 0, 0, 1, 4);
    grid->addWidget(m_autoClose, 1, 0);
    grid->addWidget(m_duration, 1, 1);
    grid->addWidget(new QLabel(tr("seconds"), this), 1, 2);
    grid->addWidget(test, 2, 0, Qt::AlignLeft);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(3, 1);
}

void CPPPopup::LoadControls()
{
    SetCheck(m_notify, m_values.popupNotify);
    SetCheck(m_autoClose, m_values.autoClosePopupNotify);
    m_duration->setValue(m_values.popupDuration);
}

bool CPPPopup::StoreControls()
{
    m_values.popupNotify = Checked(m_notify);
    m_values.autoClosePopupNotify = Checked(m_autoClose);
    m_values.popupDuration = m_duration->value();
    return true;
}
