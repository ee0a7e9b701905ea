#pragma once

#include "calcfield.h"
#include "frmtallyer.h"
#include "mavolabel3d.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

// Settings, the kept tape, the data folder and the single-copy channel of a benchmark's window in
// a folder of its own, removed at the end: a benchmark never reads or writes the user's files
// (a kept tape of the user's would also land in the figures). Construct it before the application.
class BenchHome
{
public:
    BenchHome()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("state"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("data"))));
        const QString run = m_home.filePath(QStringLiteral("run"));
        QDir(m_home.path()).mkdir(QStringLiteral("run"));
        QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(run));
    }

private:
    QTemporaryDir m_home;
};

// The calculator's window and the parts a benchmark drives, found by their names.
struct BenchWindow
{
    frmTallyer form;
    CalcField *const boxCalc = form.findChild<CalcField *>(QStringLiteral("boxCalc"));
    MavoLabel3D *const lblResult = form.findChild<MavoLabel3D *>(QStringLiteral("lblResult"));
    QTimer *const TimerPointRefresh = form.findChild<QTimer *>(QStringLiteral("TimerPointRefresh"));
    QTimer *const TimerPressF1ForHelp = form.findChild<QTimer *>(QStringLiteral("TimerPressF1ForHelp"));
};

// The window loaded and shown, without the start-up greeting running over it.
inline bool openBenchWindow(BenchWindow &w)
{
    if (!w.form.Form_Load())
        return false;
    w.TimerPressF1ForHelp->stop();
    w.form.show();
    return true;
}
