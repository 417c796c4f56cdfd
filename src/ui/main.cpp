#include "ui/app/MonitorApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (!CMonitorApp::PrepareProcess())
        return 1;
    QApplication qtApp(argc, argv);
    CMonitorApp app;
    const int status = app.InitInstance();
    if (status != CMonitorApp::kRunning)
        return status;
    return qtApp.exec();
}
