#include "ui/main/AboutDialog.h"

#include "model/VigilPrefs.h"
#include "notify/UpdateLog.h"
#include "ui/main/ToolbarIcons.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

namespace {

QLabel* SelectableLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText); // a folder name is not markup
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

CAboutDialog::CAboutDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About SiteVigil"));
    auto* grid = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    grid->addWidget(icon, 0, 0, 5, 1);

    auto* name = new QLabel(QStringLiteral("<b>Site Vigil</b>"), this);
    name->setStyleSheet(QStringLiteral("font-size: 14pt"));
    grid->addWidget(name, 0, 1, 1, 2);
    grid->addWidget(new QLabel(VersionText(), this), 1, 1, 1, 2);

    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    grid->addWidget(new QLabel(QStringLiteral("Settings:"), this), 2, 1);
    grid->addWidget(SelectableLabel(QString::fromStdString(CVigilPrefs::ConfigDir() + "settings.db"), this), 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("Storage folder:"), this), 3, 1);
    grid->addWidget(SelectableLabel(QString::fromStdString(prefs.GetStorageFolder()), this), 3, 2);

    const QString site = QString::fromLatin1(CUpdateLog::kProductSite);
    auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(site), this);
    link->setOpenExternalLinks(true);
    grid->addWidget(link, 4, 1, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    grid->addWidget(buttons, 5, 0, 1, 3);
    grid->setColumnStretch(2, 1);
}

QString CAboutDialog::VersionText()
{
    return QStringLiteral("Version %1.%2 Build %3")
        .arg(SITEVIGIL_VERSION_MAJOR)
        .arg(SITEVIGIL_VERSION_MINOR)
        .arg(SITEVIGIL_VERSION_BUILD);
}
