#include "pdfmodule.h"

#include "tapeprint.h"

#include <QGuiApplication>

#include <memory>

extern "C" Q_DECL_EXPORT bool tallyerWriteTapePdf(const TapeDocument &document, const QString &path, QString &reason)
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
    return ExportTapePdf(path, document, &reason);
}

// The module's entry point has the type the loader expects.
static_assert(std::is_same_v<decltype(&tallyerWriteTapePdf), WriteTapePdfFunction>);
