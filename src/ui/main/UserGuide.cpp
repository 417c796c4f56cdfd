#include "ui/main/UserGuide.h"

#include "model/VigilPrefs.h"
#include "platform/FileUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

QUrl UserGuideUrl()
{
    const QString installed
        = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/site-vigil/guide/index.html"));
    if (QFileInfo::exists(installed))
        return QUrl::fromLocalFile(QFileInfo(installed).canonicalFilePath());

    // A build that is run where it was built: the compiled-in guide, refreshed on every call so that
    // it matches the program.
    const QString folder = QString::fromStdString(CVigilPrefs::GetInstance().GetStorageFolder()) + "guide/";
    MakeFolders(folder.toStdString());
    QDirIterator it(QStringLiteral(":/guide"), QDir::Files);
    while (it.hasNext()) {
        const QString source = it.next();
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            continue;
        WriteFileAtomically((folder + it.fileName()).toStdString(), in.readAll().toStdString(), 0644);
    }
    return QUrl::fromLocalFile(folder + QStringLiteral("index.html"));
}
