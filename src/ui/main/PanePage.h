#pragma once

#include <QWebEnginePage>

// The page of the browser pane. Scripts run only in pages the program itself sent the pane to from the
// network; a page cannot move between the local files and the network by itself. Scripts' alerts,
// confirmations and prompts are answered at once without a box: a page that loops on alert() would
// otherwise hold the whole window in one modal box after another.
class CPanePage : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit CPanePage(QObject* parent = nullptr);

    // Called before the program itself loads the address.
    void PrepareFor(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;

private:
    void AllowScripts(bool allowed);
};
