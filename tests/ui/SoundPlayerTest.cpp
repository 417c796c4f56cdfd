#include "ui/notify/SoundPlayer.h"

#include "TestEnv.h"

#include <QFile>
#include <QtTest>

class SoundPlayerTest : public QObject
{
    Q_OBJECT

private slots:
    // Whatever cannot be played lets the end of the run go on at once, from the event loop.
    void endsAtOnceWhenThereIsNothingToPlay_data()
    {
        QTest::addColumn<int>("preference");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("hasOutput");
        QTest::newRow("be silent") << 0 << QString() << true;
        QTest::newRow("custom, no file named") << 2 << QString() << true;
        QTest::newRow("custom, missing file") << 2 << QString("/nonexistent/ding.wav") << true;
        QTest::newRow("custom, a folder") << 2 << QString("/tmp") << true;
        QTest::newRow("built-in, no audio output") << 1 << QString() << false;
        QTest::newRow("custom, no audio output") << 2 << QString(":/sound/chime.wav") << false;
        QTest::newRow("unknown choice") << 7 << QString() << true;
    }

    void endsAtOnceWhenThereIsNothingToPlay()
    {
        QFETCH(int, preference);
        QFETCH(QString, file);
        QFETCH(bool, hasOutput);
        CSoundPlayer player;
        player.SetOutputProbe([hasOutput] { return hasOutput; });
        int ended = 0;
        player.Play(preference, file, [&ended] { ++ended; });
        QCOMPARE(ended, 0);
        QVERIFY(!player.IsPlaying());
        QCoreApplication::processEvents();
        QCOMPARE(ended, 1);
    }

    // A file that is not a sound ends well before the limit and only once, even when played over.
    void endsForAFileThatIsNoSound()
    {
        CTempDir dir;
        const std::string path = dir.Path() + "noise.wav";
        WriteFileBytes(path, "RIFF but not really a wave file at all");
        CSoundPlayer player;
        player.SetOutputProbe([] { return true; });
        int first = 0, second = 0;
        player.Play(CSoundPlayer::CustomFile, QString::fromStdString(path), [&first] { ++first; });
        player.Play(CSoundPlayer::CustomFile, QString::fromStdString(path), [&second] { ++second; });
        QTRY_COMPARE_WITH_TIMEOUT(second, 1, CSoundPlayer::MaxPlayMs / 2);
        QCOMPARE(first, 1);
        QVERIFY(!player.IsPlaying());
    }

    void builtInChimeIsAShortWave()
    {
        QFile chime(CSoundPlayer::BuiltInSound);
        QVERIFY(chime.open(QIODevice::ReadOnly));
        const QByteArray bytes = chime.readAll();
        QCOMPARE(bytes.left(4), QByteArray("RIFF"));
        QCOMPARE(bytes.mid(8, 4), QByteArray("WAVE"));
        const quint32 bytesPerSecond = qFromLittleEndian<quint32>(bytes.constData() + 28);
        QVERIFY(bytes.size() / bytesPerSecond < CSoundPlayer::MaxPlayMs / 1000 / 2);
    }
};

QTEST_MAIN(SoundPlayerTest)
#include "SoundPlayerTest.moc"
