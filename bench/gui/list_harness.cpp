// The list view in a plain window over the list of the storage folder (the usual settings
// variables choose it). With --check it starts a run over all pages once the window is shown and
// prints how long the run took; with --quit it ends when the run's closing steps are done.
#include "model/ListSession.h"
#include "ui/list/MyListView.h"
#include "ui/run/GuiRun.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool check = args.contains("--check");
    const bool quit = args.contains("--quit");

    CListSession session;
    if (const Status opened = session.Open(true); !opened) {
        std::fprintf(stderr, "sitevigil-list-harness: %s\n", opened.error().message.c_str());
        return 1;
    }
    QMainWindow window;
    window.setWindowTitle("Watching the Internet - Site Vigil");
    CGuiRun run(session);
    auto* view = new CMyListView(session, run, &window);
    window.setCentralWidget(view);
    QObject::connect(&run, &CGuiRun::statusText, window.statusBar(),
                     [&window](const QString& text) { window.statusBar()->showMessage(text); });
    window.statusBar()->showMessage("Ready");
    view->FillList();
    window.resize(1200, 700);
    window.show();

    QElapsedTimer clock;
    QObject::connect(&run, &CGuiRun::runningChanged, &app, [&](bool running) {
        if (running)
            return;
        std::printf("GUI run: %lld pages in %.3f s\n", static_cast<long long>(session.Doc().Count()),
                    static_cast<double>(clock.nsecsElapsed()) / 1e9);
        std::fflush(stdout);
        if (quit)
            QTimer::singleShot(0, &app, &QApplication::quit);
    });
    if (check) {
        QTimer::singleShot(0, view, [&] {
            std::printf("GUI start: window shown %.3f s after main\n",
                        static_cast<double>(sinceStart.nsecsElapsed()) / 1e9);
            clock.start();
            view->CheckAll();
        });
    }
    const int status = app.exec();
    view->StoreColumnWidths();
    std::printf("GUI end: %.3f s after main\n", static_cast<double>(sinceStart.nsecsElapsed()) / 1e9);
    return status;
}
