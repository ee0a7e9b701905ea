// The calculator.

#include "frmoptions.h"
#include "frmtallyer.h"
#include "historywindow.h"
#include "messageboxsink.h"
#include "productinfo.h"

#include "loadtext.h"
#include "settings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// SIGTERM and SIGHUP (logout, a system shutdown) close the window the ordinary way, so the
// memory cells and the position are saved. The handler only writes a byte; the event loop does
// the rest. Until that loop runs (start-up may be waiting on a slow file or a message box) the
// signal has its default effect and ends the program at once.
int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_loopRunning = 0;

// The loop may be held up for long by one piece of work (a paste of many megabytes). A watchman
// thread hears the signal too: when the window has not begun to close within kLoopAnswerMs, or has
// not ended kCloseMs after that, the program ends at once, as the signal would have ended it. The
// memory cells are saved as they change, so what is lost is at most the work in hand.
int g_watchPipe[2] = {-1, -1};
std::atomic<bool> g_closing{false};
constexpr int kLoopAnswerMs = 1500;
constexpr int kCloseMs = 5000;

// Set once the program is ending because the system or the session asks it to: a notice then goes
// to standard error, as a message box would hold up the shut-down.
bool g_endingForSystem = false;

void onSignal(int signalNumber)
{
    if (!g_loopRunning) {
        ::signal(signalNumber, SIG_DFL);
        ::raise(signalNumber);
        return;
    }
    const char byte = char(signalNumber);
    [[maybe_unused]] auto n = ::write(g_signalPipe[0], &byte, 1);
    n = ::write(g_watchPipe[1], &byte, 1);
}

bool waitFor(const std::atomic<bool> &flag, int ms)
{
    for (int waited = 0; waited < ms && !flag; waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return flag;
}

void startWatchman()
{
    if (::pipe2(g_watchPipe, O_CLOEXEC) != 0)
        return;
    std::thread([] {
        char signalNumber = 0;
        while (::read(g_watchPipe[0], &signalNumber, 1) != 1) {
            if (errno != EINTR)
                return;
        }
        if (waitFor(g_closing, kLoopAnswerMs)) {
            // Closing: the program ends by itself before this sleep is over, unless it hangs.
            std::this_thread::sleep_for(std::chrono::milliseconds(kCloseMs));
            std::fprintf(stderr, "%s: the window did not close in time; ending now\n", ProductInfo::kProductName);
        } else {
            std::fprintf(stderr, "%s: busy, ending now without finishing the work in hand\n", ProductInfo::kProductName);
        }
        std::fflush(stderr);
        ::signal(signalNumber, SIG_DFL);
        ::kill(::getpid(), signalNumber);
    }).detach();
}

// Installed before anything else runs, so that no moment of start-up ignores the signals.
void installSignalHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

void watchSignals(QApplication &app, QWidget *window)
{
    if (g_signalPipe[1] < 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char byte = 0;
        [[maybe_unused]] const auto n = ::read(g_signalPipe[1], &byte, 1);
        g_closing = true;
        g_endingForSystem = true;
        window->close();
        QCoreApplication::quit();
    });
}

// Settings that cannot be saved (a read-only folder, a full disk) are told once per run.
void reportUnsavedSettings(const QString &filePath)
{
    const QString text = LoadText(1410, {QStringLiteral("|1"), QStringLiteral("\n"),
                                         QStringLiteral("|2"), QDir::toNativeSeparators(filePath)});
    if (g_endingForSystem) {
        std::fprintf(stderr, "%s: %s\n", ProductInfo::kProductName, qPrintable(text));
        return;
    }
    showMessage(text, MessageIcon::Exclamation);
}

// The application id names the desktop entry, the icon in the icon theme and the metainfo, so
// that docks and software centres tie the running window to them.
const char kApplicationId[] = "example.mavo.Tallyer";

const char kUsage[] =
    "Usage: tallyer [--help | --version] [Qt options such as -platform NAME] [FILE]\n"
    "A calculator built like a paper adding-machine tape; F1 in the window opens the help.\n"
    "\n"
    "  FILE       a tape file (*.tape, or any text file) to open; when a copy is already\n"
    "             running, it opens the file and comes to the front\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "The help files and the words files are looked up by name in the program's folder,\n"
    "$XDG_DATA_HOME/tallyer (your own words files), each $XDG_DATA_DIRS/tallyer, then the\n"
    "installed data folder. Settings: $XDG_CONFIG_HOME/Mavo/Tallyer.json.\n";

// --help and --version are answered before the application exists: no window, no display
// needed, and the settings are not touched. Everything else is left to Qt.
bool answeredFromCommandLine(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tallyer (%s) %s\n", ProductInfo::kProductName, ProductInfo::kVersionText);
            return true;
        }
    }
    return false;
}

// The tape file named after the options Qt took (`tallyer FILE`, or a file URL from a desktop
// entry's %F), as an absolute path; empty when none. An unknown option, or more than one file,
// is told on stderr: false then.
bool tapeFileArgument(const QStringList &arguments, QString &file)
{
    bool options = true;
    QStringList files;
    for (const QString &argument : arguments.mid(1)) {
        if (options && argument == QLatin1String("--")) {
            options = false;
        } else if (options && argument.startsWith(u'-') && argument.size() > 1) {
            std::fprintf(stderr, "tallyer: unknown option '%s'; try 'tallyer --help'\n", qPrintable(argument));
            return false;
        } else {
            files << argument;
        }
    }
    if (files.size() > 1) {
        std::fputs("tallyer: one tape file at a time; try 'tallyer --help'\n", stderr);
        return false;
    }
    if (files.isEmpty())
        return true;
    const QUrl url(files.front());
    const QString path = url.isLocalFile() ? url.toLocalFile() : files.front();
    file = QFileInfo(path).absoluteFilePath();
    return true;
}

// The toolkit's own texts (the editor's context menu, the file and print dialogs, the buttons of
// the message boxes) in the user's language, where Qt has a translation for it.
void loadToolkitTranslation(QApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    installSignalHandlers();
    if (answeredFromCommandLine(argc, argv))
        return 0;
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QLatin1String(kApplicationId));
    QApplication::setWindowIcon(applicationIcon());
    QApplication::setOrganizationName(QStringLiteral("Mavo"));
    QApplication::setApplicationName(QStringLiteral("Tallyer"));
    QString tapeFile;
    if (!tapeFileArgument(QCoreApplication::arguments(), tapeFile))
        return 2;
    loadToolkitTranslation(app);
    installMessageBoxSink();
    Settings::setWriteFailureHandler(reportUnsavedSettings);

    frmTallyer window;
    window.setTapeFile(tapeFile);
    watchSignals(app, &window);
    window.setOptionsDialogOpener([](QWidget *owner, const Options &current) -> std::optional<Options> {
        frmOptions dlg(current, owner);
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return dlg.options();
    });
    QObject::connect(&window, &frmTallyer::historyWindowRequested, &window,
                     [&window](const TextRing &history) { HistoryWindow::open(&window, history); });
    if (!window.Form_Load())
        return 0;
    // The session manager ending the session closes the window like the user would.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window] {
        g_endingForSystem = true;
        window.Form_Unload();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] { window.Form_Unload(); });
    window.show();
    // Queued now, so that it runs in the loop below and not in a message box of the start-up.
    QTimer::singleShot(0, &app, [] {
        startWatchman();
        g_loopRunning = 1;
    });
    return app.exec();
}
