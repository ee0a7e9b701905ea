// The calculator.

#include "frmoptions.h"
#include "frmtallyer.h"
#include "globals.h"
#include "messageboxsink.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// SIGTERM and SIGHUP (logout, a system shutdown) close the window the ordinary way, so the
// memory cells and the position are saved. The handler only writes a byte; the event loop does
// the rest.
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[0], &byte, 1);
}

void installSignalHandlers(QApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] const auto n = ::read(g_signalPipe[1], &byte, 1);
        if (frmTallyer *w = mainCalculatorWindow())
            w->close();
        QCoreApplication::quit();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Mavo"));
    QApplication::setApplicationName(QStringLiteral("Tallyer"));
    installMessageBoxSink();
    installSignalHandlers(app);
    setOptionsDialogOpener([](QWidget *owner) {
        frmOptions dlg(owner);
        dlg.exec();
    });

    frmTallyer window;
    if (!window.Form_Load())
        return 0;
    // The session manager ending the session closes the window like the user would.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window] { window.Form_Unload(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] { window.Form_Unload(); });
    window.show();
    return app.exec();
}
