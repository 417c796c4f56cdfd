#pragma once

#include "model/VigilPrefs.h"
#include "ui/sheets/PropertyPage.h"

#include <functional>

class QButtonGroup;
class QLineEdit;

// "Notifications::Sound": silent, the program's own sound or a wave file; Test plays the choice shown.
class CPPSound : public CPropertyPage
{
    Q_OBJECT
public:
    using PlaySound = std::function<void(int preference, const QString& file)>;
    CPPSound(PlaySound playSound, QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;

    SoundPrefs m_values;

private:
    void OnBrowse();
    void OnTest();

    PlaySound m_playSound;
    QButtonGroup* m_choice;
    QLineEdit* m_file;
};
