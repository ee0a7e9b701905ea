#include "pdfmodule.h"

#include "tapeprint.h"

#include <QFile>
#include <QGuiApplication>

#include <memory>

extern "C" Q_DECL_EXPORT bool tallyerWriteTapePdf(const TapeDocument &document, int fd, QString &reason,
                                                   TapeTotal &total)
{
    // The fonts of the pages need a GUI application; tallyer-cli makes none of its own.
    static int argc = 3;
    static char program[] = "tallyer-cli";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char *argv[] = {program, platformOption, platform, nullptr};
    std::unique_ptr<QGuiApplication> app;
    if (!QCoreApplication::instance())
        app = std::make_unique<QGuiApplication>(argc, argv);
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        reason = file.errorString();
        return false;
    }
    if (!WriteTapePdf(file, document, &reason, &total))
        return false;
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return false;
    }
    return true;
}

// The module's entry point has the type the loader expects.
static_assert(std::is_same_v<decltype(&tallyerWriteTapePdf), WriteTapePdfFunction>);
