#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QSoundEffect;

// Plays the end of a run's sound without blocking the GUI thread, and says when it is over.
class CSoundPlayer : public QObject
{
    Q_OBJECT
public:
    // The choices of the soundPreference setting.
    enum Preference
    {
        Silent = 0,
        BuiltIn = 1,
        CustomFile = 2
    };
    // The program's own chime.
    static const QString BuiltInSound;
    // A sound is cut off after this long.
    static constexpr int MaxPlayMs = 10000;

    explicit CSoundPlayer(QObject* parent = nullptr);
    ~CSoundPlayer() override;

    // Plays nothing (0), the built-in chime (1) or the WAV file fileName (2). onEnded runs on this
    // object's thread, always from the event loop (never inside Play), exactly once: when the sound has
    // ended, was cut off after MaxPlayMs, or could not be played at all (nothing to play, a missing or
    // unreadable file, no audio output: then at once and without a message). A sound still playing when
    // Play is called again is stopped and its onEnded runs first.
    void Play(int preference, const QString& fileName, std::function<void()> onEnded);
    bool IsPlaying() const;

    // Test hook: decides whether the machine has an audio output (by default: Qt Multimedia's list).
    void SetOutputProbe(std::function<bool()> probe);

private:
    void Finish();

    QSoundEffect* m_effect = nullptr;
    QTimer m_limit;
    std::function<void()> m_onEnded;
    std::function<bool()> m_hasOutput;
};
