#pragma once

#include <QDialog>

// Help > About: the program's name and version, where its settings and its storage folder are, and
// its web address.
class CAboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);

    static QString VersionText();
};
