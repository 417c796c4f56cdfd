#pragma once

#include "ui/props/UrlPage.h"

#include <QString>
#include <string>

class QButtonGroup;
class QLineEdit;
class QPlainTextEdit;

// "Watch part of page": the start and end texts that cut the watched part out of the page, checked
// against a preview of the saved copy: a text found there shows dark green, else dark red.
class CPPWatchText : public CUrlPage
{
    Q_OBJECT
public:
    explicit CPPWatchText(QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;
    void LoadFromRecord(const Curl& record) override;
    void SaveToRecord(Curl& record) const override;

    // Shows the page as a download just found it and recolours both texts; a page not yet in the
    // list has no saved copy to show, so the download's own text is the preview.
    void ShowDownloadedPreview(const std::string& pageText);
    // The saved copy as the preview shows it: empty for a record without a name or without a copy.
    static QString ReadPreview(const Curl& record);

    static const QColor kFound;
    static const QColor kMissing;

private:
    static QString PreviewText(QString text);
    bool InPreview(const QString& text) const;
    void ColourStart();
    // Also selects the part from the start text to the end text when both occur.
    void ColourEnd();

    QButtonGroup* m_startChoice;
    QButtonGroup* m_endChoice;
    QLineEdit* m_startText;
    QLineEdit* m_endText;
    QPlainTextEdit* m_preview;
    // Radio index 0 is "from the beginning" / "to the end".
    int m_nStartChoice = 0;
    int m_nEndChoice = 0;
    std::string m_strStartText;
    std::string m_strEndText;
    QString m_strPreview;
};
