#include "ui/notify/TaskbarNotifier.h"
#include "TestEnv.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

const QRect Screen(0, 0, 1280, 1024);

// Steps the running timer of the popup until it stops; returns how many steps changed the size.
int StepWhileRunning(CTaskbarNotifier& popup, int timer)
{
    int changes = 0;
    for (int guard = 0; popup.TimerInterval(timer) >= 0 && guard < 1000; ++guard) {
        const QRect before = popup.PopupGeometry();
        popup.OnTimer(timer);
        changes += popup.PopupGeometry() != before && popup.State() != CTaskbarNotifier::Hidden;
    }
    return changes;
}

} // namespace

class TaskbarNotifierTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_popup = std::make_unique<CTaskbarNotifier>();
        m_popup->SetManualTimers(true);
        m_popup->SetUseDesktopNotifications(false);
        m_popup->SetScreenAreas(Screen, QRect(0, 0, 1280, 984)); // a 40-pixel panel at the bottom
    }

    void cleanup() { m_popup.reset(); }

    void animatesInStepsOfThePrecision_data()
    {
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("appear");
        QTest::addColumn<int>("vanish");
        QTest::addColumn<int>("appearInterval");
        QTest::addColumn<int>("growingSteps");
        QTest::addColumn<int>("fullHeight");
        QTest::addColumn<int>("vanishInterval");
        QTest::addColumn<int>("shrinkingSteps");
        QTest::newRow("10 ms, end of a run") << 10 << 800 << 500 << 10 << 120 << 120 << 10 << 60;
        QTest::newRow("50 ms overshoots") << 50 << 800 << 500 << 50 << 18 << 126 << 50 << 11;
        QTest::newRow("appear not above precision") << 10 << 10 << 0 << 10 << 1 << 120 << 10 << 1;
    }

    void animatesInStepsOfThePrecision()
    {
        QFETCH(int, precision);
        QFETCH(int, appear);
        QFETCH(int, vanish);
        m_popup->SetTimerPrecision(precision);
        m_popup->Announce("3 new changes.\n5 changes total.", appear, 4000, vanish);
        QCOMPARE(m_popup->State(), CTaskbarNotifier::Hidden); // until the first step
        QVERIFY(m_popup->isVisible());
        QTEST(m_popup->TimerInterval(CTaskbarNotifier::AppearTimer), "appearInterval");

        QTEST(StepWhileRunning(*m_popup, CTaskbarNotifier::AppearTimer), "growingSteps");
        QCOMPARE(m_popup->State(), CTaskbarNotifier::Staying);
        QTEST(m_popup->PopupGeometry().height(), "fullHeight");
        QCOMPARE(m_popup->PopupGeometry().bottom() + 1, 984);
        QCOMPARE(m_popup->TimerInterval(CTaskbarNotifier::StayTimer), 4000);

        m_popup->OnTimer(CTaskbarNotifier::StayTimer);
        QCOMPARE(m_popup->State(), CTaskbarNotifier::Staying);
        QTEST(m_popup->TimerInterval(CTaskbarNotifier::VanishTimer), "vanishInterval");
        QTEST(StepWhileRunning(*m_popup, CTaskbarNotifier::VanishTimer), "shrinkingSteps");
        QCOMPARE(m_popup->State(), CTaskbarNotifier::Hidden);
        QVERIFY(!m_popup->isVisible());
    }

    void slidesFromThePanelsEdge_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<int>("edge");
        QTest::addColumn<QRect>("start");
        QTest::addColumn<QRect>("full");
        QTest::newRow("bottom") << Screen << QRect(0, 0, 1280, 984) << int(CTaskbarNotifier::Bottom)
                                << QRect(1132, 984, 148, 0) << QRect(1132, 864, 148, 120);
        QTest::newRow("top") << Screen << QRect(0, 30, 1280, 994) << int(CTaskbarNotifier::Top)
                             << QRect(1132, 30, 148, 0) << QRect(1132, 30, 148, 120);
        QTest::newRow("left") << Screen << QRect(60, 0, 1220, 1024) << int(CTaskbarNotifier::Left)
                              << QRect(60, 904, 0, 120) << QRect(60, 904, 148, 120);
        QTest::newRow("right") << Screen << QRect(0, 0, 1220, 1024) << int(CTaskbarNotifier::Right)
                               << QRect(1220, 904, 0, 120) << QRect(1072, 904, 148, 120);
        QTest::newRow("no panel: bottom right corner") << Screen << Screen << int(CTaskbarNotifier::Bottom)
                                                       << QRect(1132, 1024, 148, 0) << QRect(1132, 904, 148, 120);
        QTest::newRow("second screen") << QRect(1280, 0, 1920, 1080) << QRect(1280, 0, 1920, 1040)
                                       << int(CTaskbarNotifier::Bottom) << QRect(3052, 1040, 148, 0)
                                       << QRect(3052, 920, 148, 120);
    }

    // The full geometry is reached both by appearing and, at once, by an announcement while vanishing.
    void slidesFromThePanelsEdge()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, available);
        QFETCH(QRect, full);
        m_popup->SetScreenAreas(screen, available);
        m_popup->Announce("first", 800, 3000, 500);
        QTEST(int(m_popup->Edge()), "edge");
        QTEST(m_popup->PopupGeometry(), "start");
        StepWhileRunning(*m_popup, CTaskbarNotifier::AppearTimer);
        QCOMPARE(m_popup->PopupGeometry(), full);

        m_popup->OnTimer(CTaskbarNotifier::StayTimer);
        for (int i = 0; i < 5; ++i)
            m_popup->OnTimer(CTaskbarNotifier::VanishTimer);
        QVERIFY(m_popup->PopupGeometry() != full);
        m_popup->Announce("second", 800, 7000, 500);
        QCOMPARE(m_popup->PopupGeometry(), full);
        QCOMPARE(m_popup->TimerInterval(CTaskbarNotifier::VanishTimer), -1);
        QCOMPARE(m_popup->TimerInterval(CTaskbarNotifier::StayTimer), 7000);
        QCOMPARE(m_popup->Text(), QString("second"));
    }

    void decidesTheEdgeWithin20Pixels_data()
    {
        QTest::addColumn<QRect>("panel");
        QTest::addColumn<int>("edge");
        QTest::newRow("full width, at the top") << QRect(0, 0, 1280, 30) << int(CTaskbarNotifier::Top);
        QTest::newRow("19 short at both ends, 19 down") << QRect(19, 19, 1242, 30) << int(CTaskbarNotifier::Top);
        QTest::newRow("20 down") << QRect(0, 20, 1280, 30) << int(CTaskbarNotifier::Bottom);
        QTest::newRow("20 short on the left") << QRect(20, 994, 1260, 30) << int(CTaskbarNotifier::Right);
        QTest::newRow("20 short on the right") << QRect(0, 994, 1260, 30) << int(CTaskbarNotifier::Left);
    }

    void decidesTheEdgeWithin20Pixels()
    {
        QFETCH(QRect, panel);
        QTEST(int(CTaskbarNotifier::EdgeOf(panel, Screen)), "edge");
    }

    void announcingAgainWhileStayingGivesAFullNewStay()
    {
        m_popup->Announce("first", 10, 3000, 10);
        m_popup->OnTimer(CTaskbarNotifier::AppearTimer);
        m_popup->OnTimer(CTaskbarNotifier::AppearTimer);
        QCOMPARE(m_popup->State(), CTaskbarNotifier::Staying);
        m_popup->Announce("second", 10, 5000, 10);
        QCOMPARE(m_popup->State(), CTaskbarNotifier::Staying);
        QCOMPARE(m_popup->TimerInterval(CTaskbarNotifier::StayTimer), 5000);
        QCOMPARE(m_popup->Text(), QString("second"));
    }

    // The end of a run words its counts and stays as the popup page says; only a popup that waits for
    // its click is closed by it.
    void announcesChangesAsTheSettingsSay_data()
    {
        QTest::addColumn<int>("autoClose");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("newChanges");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stayTimer");
        QTest::newRow("closes after 5 s") << 1 << 5 << 2 << 3 << "2 new changes.\n3 changes total." << 5000;
        QTest::newRow("0 s: vanishes at once") << 1 << 0 << 1 << 1 << "1 new change.\n1 change total." << 0;
        QTest::newRow("stays until clicked") << 0 << 5 << 1 << 4 << "1 new change.\n4 changes total." << -1;
        QTest::newRow("a wild duration is cut") << 1 << 3600 << 0 << 2 << "0 new changes.\n2 changes total." << 3600000;
    }

    void announcesChangesAsTheSettingsSay()
    {
        QFETCH(int, autoClose);
        QFETCH(int, seconds);
        QFETCH(int, newChanges);
        QFETCH(int, total);
        CIsolatedSettings settings;
        CVigilPrefs::GetInstance().WriteInt(Pref::autoClosePopupNotify.name, autoClose);
        CVigilPrefs::GetInstance().WriteInt(Pref::popupDuration.name, seconds);
        QSignalSpy clicks(m_popup.get(), &CTaskbarNotifier::clicked);
        m_popup->AnnounceChanges(newChanges, total);
        QTEST(m_popup->Text(), "text");
        StepWhileRunning(*m_popup, CTaskbarNotifier::AppearTimer);
        QTEST(m_popup->TimerInterval(CTaskbarNotifier::StayTimer), "stayTimer");

        QTest::mouseClick(m_popup.get(), Qt::LeftButton, {}, QPoint(70, 60));
        QCOMPARE(clicks.count(), 1);
        const bool vanishing = m_popup->TimerInterval(CTaskbarNotifier::VanishTimer) >= 0;
        QCOMPARE(vanishing, autoClose == 0);
    }

    // Where the fully shown popup would cover the tray icon, it slides out beside it instead.
    void leavesTheTrayIconClear_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QRect>("full");
        QTest::newRow("panel without a strut, icon in the corner")
            << Screen << QRect(1256, 998, 22, 24) << QRect(1132, 878, 148, 120);
        QTest::newRow("icon inside a reserved panel")
            << QRect(0, 0, 1280, 984) << QRect(1256, 992, 22, 24) << QRect(1132, 864, 148, 120);
        QTest::newRow("right panel, icon low in it")
            << QRect(0, 0, 1220, 1024) << QRect(1240, 990, 22, 24) << QRect(1072, 904, 148, 120);
        QTest::newRow("icon elsewhere") << Screen << QRect(0, 0, 22, 24) << QRect(1132, 904, 148, 120);
        QTest::newRow("no icon") << Screen << QRect() << QRect(1132, 904, 148, 120);
    }

    void leavesTheTrayIconClear()
    {
        QFETCH(QRect, available);
        QFETCH(QRect, icon);
        QFETCH(QRect, full);
        m_popup->SetScreenAreas(Screen, available);
        m_popup->SetKeepClear([icon] { return icon; });
        m_popup->Announce("3 new changes.\n5 changes total.", 800, 3000, 500);
        StepWhileRunning(*m_popup, CTaskbarNotifier::AppearTimer);
        QCOMPARE(m_popup->PopupGeometry(), full);
        QVERIFY(!m_popup->PopupGeometry().intersects(icon));
    }

    void goesToTheDesktopWhereWindowsCannotBePlaced()
    {
        QString fellBack;
        m_popup->SetUseDesktopNotifications(true);
        m_popup->SetNotificationFallback([&fellBack](const QString& text) { fellBack = text; });
        // No notification service in the tests: the text reaches the fallback instead.
        m_popup->Announce(CTaskbarNotifier::TestText(), 500, 3000, 200);
        QVERIFY(!m_popup->isVisible());
        QTRY_COMPARE(fellBack, QString("TEST: Web page changes have been detected"));
    }

private:
    std::unique_ptr<CTaskbarNotifier> m_popup;
};

QTEST_MAIN(TaskbarNotifierTest)
#include "TaskbarNotifierTest.moc"
