#include "startupchecks.h"

#include "calcsession.h"
#include "datafolders.h"
#include "messagesink.h"
#include "productinfo.h"
#include "sheeteditor.h"
#include "singlecopy.h"
#include "wordsfile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QWidget>

namespace {

const char kDefaultWordsFile[] = "InWordsDollars eng.txt";

} // namespace

StartupChecks::StartupChecks(QWidget *window, CalcSession *session, SheetEditor *sheet,
                             std::function<void(const QString &)> opener)
    : m_window(window)
    , m_session(session)
    , m_sheet(sheet)
    , m_opener(std::move(opener))
{
}

bool StartupChecks::singleCopyTest(bool firstRun)
{
    if (!m_session->options().manyCopies) {
        const QString company = QString::fromLatin1(ProductInfo::kCompanyName);
        const qsizetype space = company.lastIndexOf(u' ');
        m_window->setWindowTitle(space < 0 ? company : company.left(space));
    }
    if (!m_channel) {
        QWidget *window = m_window;
        m_channel = new SingleCopyChannel(window);
        QObject::connect(m_channel, &SingleCopyChannel::activateRequested, window, [window] { BringForward(window); });
        QObject::connect(m_channel, &SingleCopyChannel::closeRequested, window, [window] { window->close(); });
        QObject::connect(m_channel, &SingleCopyChannel::openRequested, window, m_opener);
    }

    // The first run looks for other copies and listens under the channel's lock, so that of
    // copies started together one listens before the others look.
    if (firstRun)
        m_channel->lockSearch();
    // A repeated run closes the other copies; give each a moment to go, but never hang.
    const QDeadlineTimer deadline(5000);
    for (;;) {
        const QStringList others = m_channel->otherCopies();
        if (others.isEmpty())
            break;
        if (m_session->options().manyCopies) {
            if (firstRun)
                m_otherCopyRuns = true;
            break;
        }
        if (firstRun) {
            if (m_channel->activate(others, m_tapeFile))
                return false;
            break; // none answers (stopped or wedged): this copy opens its own window
        }
        for (const QString &other : others)
            SingleCopyChannel::send(other, "close");
        if (deadline.hasExpired())
            break;
        QThread::msleep(50);
    }
    if (firstRun)
        m_channel->listen();
    return true;
}

bool StartupChecks::localeTest()
{
    m_sheet->readLocale();
    m_session->setLocale(m_sheet->locale());
    const TextId id = LocaleProblem(currentLocaleSnapshot().locale, m_sheet->locale());
    if (id == TextId::None)
        return true;

    const QString text = Text(id, {QStringLiteral("\n"), QLatin1String(ProductInfo::kProductName) + QLatin1Char('\n')});
    showMessage(Text(TextId::LocaleHeading) + QStringLiteral("\n\n") + text + QLatin1Char('\n'), MessageIcon::Critical);
    return false;
}

void StartupChecks::chooseWordsFile()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    Options options = m_session->options();
    const QString stored = options.inWordsFile;
    if (stored.isEmpty() || !FileExists(DataFilePath(stored, programFolder))) {
        if (FileExists(DataFilePath(QLatin1String(kDefaultWordsFile), programFolder))) {
            options.inWordsFile = QLatin1String(kDefaultWordsFile);
            m_session->setOptions(options);
        }
    }
}
