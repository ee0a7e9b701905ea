#pragma once

#include <QString>

class QTextBrowser;
class QWidget;

// The help command every caller passes: open the help file at a context number. Context 1000 is
// the main window's topic, 2000 the options dialog's; they are the anchors "#1000" and "#2000"
// of the help file.
inline constexpr int HH_HELP_CONTEXT = 15;

// Opens the program's help window on helpFile (a bare name is looked up in the data folders,
// see DataFolders) at the anchor of data when command is HH_HELP_CONTEXT. There is one
// help window for the whole program; it is reused and kept above hwndOwner. Returns its browser,
// or nullptr when the file cannot be read or is larger than kMaxHelpFileBytes, in which case the
// user is told so (text 1381, exclamation icon) through the message sink. The window loads
// pages and pictures only from the data folders and the help file's own folder, and follows
// links only within the help (see helplinks.h).
QTextBrowser *ShowHelp(QWidget *hwndOwner, const QString &helpFile, int command, int data);
