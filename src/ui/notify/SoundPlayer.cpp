#include "ui/notify/SoundPlayer.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

const QString CSoundPlayer::BuiltInSound = QStringLiteral(":/sound/chime.wav");

CSoundPlayer::CSoundPlayer(QObject* parent)
    : QObject(parent)
    , m_hasOutput([] { return !QMediaDevices::audioOutputs().isEmpty(); })
{
    m_limit.setSingleShot(true);
    m_limit.setInterval(MaxPlayMs);
    connect(&m_limit, &QTimer::timeout, this, &CSoundPlayer::Finish);
}

// A sound still playing is cut off; its onEnded is dropped with the player, whose owner is going.
CSoundPlayer::~CSoundPlayer() = default;

void CSoundPlayer::Play(int preference, const QString& fileName, std::function<void()> onEnded)
{
    Finish();
    m_onEnded = std::move(onEnded);

    QUrl source;
    if (preference == BuiltIn) {
        source = QUrl(QStringLiteral("qrc") + BuiltInSound);
    } else if (preference == CustomFile) {
        const QFileInfo file(fileName);
        if (!fileName.isEmpty() && file.isFile() && file.isReadable())
            source = QUrl::fromLocalFile(file.absoluteFilePath());
    }
    if (source.isEmpty() || !m_hasOutput()) {
        Finish();
        return;
    }

    m_effect = new QSoundEffect(this);
    connect(m_effect, &QSoundEffect::statusChanged, this, [this] {
        if (m_effect->status() == QSoundEffect::Error)
            Finish();
    });
    connect(m_effect, &QSoundEffect::playingChanged, this, [this] {
        if (!m_effect->isPlaying())
            Finish();
    });
    m_effect->setSource(source);
    // Starts as soon as the file is loaded; a file that never loads or never ends is cut off by the limit.
    m_effect->play();
    m_limit.start();
}

bool CSoundPlayer::IsPlaying() const
{
    return m_effect != nullptr;
}

void CSoundPlayer::SetOutputProbe(std::function<bool()> probe)
{
    m_hasOutput = std::move(probe);
}

void CSoundPlayer::Finish()
{
    m_limit.stop();
    if (m_effect) {
        m_effect->disconnect(this);
        m_effect->stop();
        m_effect->deleteLater();
        m_effect = nullptr;
    }
    if (m_onEnded) {
        std::function<void()> onEnded = std::move(m_onEnded);
        m_onEnded = nullptr;
        QMetaObject::invokeMethod(this, std::move(onEnded), Qt::QueuedConnection);
    }
}
