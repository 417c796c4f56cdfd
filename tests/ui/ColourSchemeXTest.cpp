// The program follows the desktop's colour scheme: a settings portal on the session bus (played here
// by the test itself) says dark, then light; the main window, its list rows, the "Changed?" text and
// the pages of the browser pane (a differences report, the program's own notice) follow and stay
// readable. With SITEVIGIL_SHOTS_DIR set, both looks are photographed there.
#include "TestEnv.h"
#include "diff/DiffReport.h"
#include "model/ListSession.h"
#include "model/UrlRecord.h"
#include "ui/app/ColourScheme.h"
#include "ui/list/MyListView.h"
#include "ui/main/BrowserView.h"
#include "ui/main/MainFrame.h"
#include "ui/main/SplitFrame.h"
#include "ui/run/GuiRun.h"
#include "ui/widgets/Colours.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QtTest>

#include <cmath>

namespace {

// The contrast ratio of two colours as the web's accessibility guidelines define it (1 to 21).
double Contrast(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What is wrong with the first element that selector picks on the pane's page, "" when it has a
// background of the scheme asked for and text that reads well on it. The page's own scripts are off;
// this one runs in the program's world.
QString Unreadable(CBrowserView& view, const QString& selector, bool dark)
{
    const QString script = QStringLiteral("(function(){const e=document.querySelector('%1');if(!e)return [];"
                                          "const s=getComputedStyle(e);"
                                          "return (s.backgroundColor+s.color).match(/\\d+/g).map(Number);})()")
                               .arg(selector);
    QVariantList rgb;
    bool done = false;
    view.page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& value) {
        rgb = value.toList();
        done = true;
    });
    for (int waited = 0; !done && waited < 10000; waited += 20)
        QTest::qWait(20);
    // Two opaque colours, rgb(r, g, b) each; a transparent background shows as rgba(0, 0, 0, 0).
    if (rgb.size() != 6)
        return selector + ": no two opaque colours";
    const QColor background(rgb[0].toInt(), rgb[1].toInt(), rgb[2].toInt());
    const QColor text(rgb[3].toInt(), rgb[4].toInt(), rgb[5].toInt());
    if ((background.lightness() < 128) == dark && Contrast(text, background) >= 4.5)
        return {};
    return QStringLiteral("%1: %2 on %3").arg(selector, text.name(), background.name());
}

} // namespace

// The appearance part of org.freedesktop.portal.Settings.
class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    uint scheme = 1;
public slots:
    QDBusVariant Read(const QString& group, const QString& key)
    {
        if (group != "org.freedesktop.appearance" || key != "color-scheme")
            return QDBusVariant(QVariant());
        // Read wraps the value's variant in one more.
        return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme)));
    }
};

class ColourSchemeXTest : public QObject
{
    Q_OBJECT

    static void Shoot(const QString& name)
    {
        const QString shots = qEnvironmentVariable("SITEVIGIL_SHOTS_DIR");
        if (!shots.isEmpty())
            QProcess::execute("import", {"-window", "root", QString("%1/%2.png").arg(shots, name)});
    }

    static void CheckReadable(const QPalette& palette)
    {
        using Colours::Role;
        for (Role row : {Role::EvenRow, Role::OddRow}) {
            const QColor background = Colours::Of(row, palette);
            QVERIFY(Contrast(Colours::Of(Role::Text, palette), background) >= 7);
            QVERIFY(Contrast(Colours::Of(Role::Changed, palette), background) >= 3);
            QVERIFY(Contrast(Colours::Of(Role::Failed, palette), background) >= 3);
        }
    }

private slots:
    void followsThePortal()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            QSKIP("no session bus (run under dbus-run-session)");
        FakePortal portal;
        QVERIFY(bus.registerObject("/org/freedesktop/portal/desktop", &portal, QDBusConnection::ExportAllSlots));
        if (!bus.registerService("org.freedesktop.portal.Desktop"))
            QSKIP("another settings portal runs on this bus");

        CIsolatedSettings settings;
        CListSession session;
        QVERIFY(session.Open(true).ok());
        for (const char* name : {"Shop", "News", "Weather"}) {
            std::unique_ptr<Curl> record = CListSession::NewRecord(std::string("http://127.0.0.1/") + name);
            record->SetName(name);
            record->m_bChanged = std::string(name) == "News";
            session.Doc().AddRecord(std::move(record));
        }
        const QPalette light = QApplication::palette();
        QVERIFY(!Colours::IsDark(light));
        CheckReadable(light);

        CColourScheme scheme;
        scheme.Follow();
        QCOMPARE(scheme.Portal(), std::optional(CColourScheme::PreferDark));
        QVERIFY(Colours::IsDark(QApplication::palette()));
        CheckReadable(QApplication::palette());

        CGuiRun run(session);
        CMainFrame frame(session, run);
        frame.resize(900, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QModelIndex changed = frame.ListView().model()->index(1, 3);
        QCOMPARE(changed.data(Qt::ForegroundRole).value<QColor>(), Colours::Of(Colours::Role::Changed));
        QVERIFY(Colours::IsDark(frame.ListView().palette()));
        QTest::qWait(300);
        Shoot("colours-dark");

        // The pane's pages: a report with changed, added and removed lines, and the program's own notice.
        CTempDir files;
        WriteFileBytes(files.Path() + "old.htm", "Prices\nTea\nCoffee\nWater\n");
        WriteFileBytes(files.Path() + "new.htm", "Prices\nCoffee\nJuice\nWater 1\n");
        QVERIFY(WriteDiffReport(files.Path() + "old.htm", files.Path() + "new.htm", files.Path() + "report.htm"));
        CBrowserView& pane = frame.BrowserPane().View();
        QSignalSpy loaded(&pane, &QWebEngineView::loadFinished);
        pane.ShowPage(QString::fromStdString(files.Path() + "report.htm"));
        QVERIFY(loaded.wait(30000));
        for (const char* part : {"body", "tr[bgcolor]", "td.C", "td.A", "td.D"})
            QCOMPARE(Unreadable(pane, part, true), QString());
        pane.ShowNotice("Shop", "This page has not been checked yet.");
        QVERIFY(loaded.wait(30000));
        QCOMPARE(Unreadable(pane, "body", true), QString());

        // The desktop turns light again while the program runs.
        QDBusMessage changedSignal = QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                                                "org.freedesktop.portal.Settings", "SettingChanged");
        changedSignal << QString("org.freedesktop.appearance") << QString("color-scheme")
                      << QVariant::fromValue(QDBusVariant(2u));
        QVERIFY(bus.send(changedSignal));
        QTRY_VERIFY(!Colours::IsDark(QApplication::palette()));
        // The window may take the new palette a moment after the application has it.
        QTRY_VERIFY(!Colours::IsDark(frame.ListView().palette()));
        QCOMPARE(changed.data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
        // The notice on show turns light with the window.
        QTRY_COMPARE_WITH_TIMEOUT(Unreadable(pane, "body", false), QString(), 10000);
        QTest::qWait(300);
        Shoot("colours-light");
    }
};

QTEST_MAIN(ColourSchemeXTest)
#include "ColourSchemeXTest.moc"
