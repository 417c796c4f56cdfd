#pragma once

#include "model/CompareOptions.h"
#include "ui/props/UrlPage.h"

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Compare": what a check compares (the visible text or the download), a CSS selector or an XPath
// expression with a "Test" button that shows what it selects, the ignore rules, and when a
// difference counts (trigger) and how the state watches announce.
class CPPUrlCompare : public CUrlPage
{
    Q_OBJECT
public:
    explicit CPPUrlCompare(QWidget* parent = nullptr);

    void LoadControls() override;
    bool StoreControls() override;
    void LoadFromRecord(const Curl& record) override;
    void SaveToRecord(Curl& record) const override;

private:
    // The reason the controls' selection and rules could never run; "" when they can.
    QString Problem() const;
    void ShowProblem();
    void StartTest();
    void TestFinished(const QString& text, bool failed);

    QComboBox* m_compare;
    QComboBox* m_selectionKind;
    QLineEdit* m_selection;
    QPushButton* m_test;
    QPlainTextEdit* m_preview;
    QPlainTextEdit* m_ignore;
    QPlainTextEdit* m_ignoreRegex;
    QComboBox* m_trigger;
    QComboBox* m_announce;
    QLabel* m_problem;

    std::string m_url;
    CompareMode m_compareMode = CompareMode::Page;
    std::string m_strSelect;
    std::string m_strXPath;
    std::vector<std::string> m_ignoreTexts;
    std::vector<std::string> m_ignoreRegexes;
    ChangeTrigger m_changeTrigger = ChangeTrigger::Any;
    AnnounceMode m_announceMode = AnnounceMode::Each;
    bool m_bRender = false;
    int m_nRenderWait = 2;
};
