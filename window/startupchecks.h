#pragma once

#include <QString>

#include <functional>

class CalcSession;
class QWidget;
class SheetEditor;
class SingleCopyChannel;

// What the first load checks before the window stands: whether another running copy takes over,
// whether the calculator can read the user's numbers, and which words file it spells amounts
// with. The channel between running copies is opened by the first check and kept.
class StartupChecks
{
public:
    // opener: opens a tape file that another copy, started with it, hands over.
    StartupChecks(QWidget *window, CalcSession *session, SheetEditor *sheet,
                  std::function<void(const QString &)> opener);

    // The tape file this copy was started with (`tallyer FILE`), an absolute path: a running copy
    // that takes over opens it.
    void setTapeFile(const QString &path) { m_tapeFile = path; }

    // False when this copy must end: another copy was asked to come forward in its place. A
    // repeated run (after the options dialog, which may have forbidden many copies) closes the
    // other copies instead.
    bool singleCopyTest(bool firstRun);
    // Whether another copy was running when the first load looked (the window then keeps the
    // place it was given).
    bool otherCopyRuns() const { return m_otherCopyRuns; }

    // Reads the user's number conventions into the sheet and the session; false, after saying
    // why, for a locale whose numbers the calculator cannot read.
    bool localeTest();

    // A words file that is not set, or not found, gives way to the dollars file when that one is
    // there.
    void chooseWordsFile();

private:
    QWidget *m_window;
    CalcSession *m_session;
    SheetEditor *m_sheet;
    std::function<void(const QString &)> m_opener;
    QString m_tapeFile;
    SingleCopyChannel *m_channel = nullptr; // a child of the window
    bool m_otherCopyRuns = false;
};
