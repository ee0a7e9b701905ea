#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// What the help window may load and follow. A help file is a page of our own, but it is a file
// anyone can edit or replace, so nothing in it may make the window read a device (an image of
// file:///dev/zero), show another local file, or open anything but a web page outside.
//
// folders: the data folders and the folder of the help file shown, absolute and clean (no
// trailing "/"). page: the file URL of the page shown. Both routines only look at the names;
// the caller still checks what the file system says (links, kind of file, size).

// The most bytes read for a help page or one of its pictures. The help files are some 25 KB; a
// page of 50 MB would keep the window busy for many minutes.
inline constexpr qint64 kMaxHelpFileBytes = 1024 * 1024;

enum class HelpLinkAction {
    Scroll,   // a place on the page shown: go there
    Show,     // another help page (an .html or .htm file in the folders): show it
    Browse,   // an http or https address: the desktop's browser opens it
    Ignore,   // anything else (another local file, mail, other schemes): nothing happens
};

// What a click on link does; target is the link resolved against the page (for Scroll, Show
// and Browse).
HelpLinkAction HelpLinkTarget(const QUrl &link, const QUrl &page, const QStringList &folders,
                              QUrl &target);

// The clean absolute path of a local file that a page may load (the page itself, its pictures,
// its style sheets): the resource resolved against the page, a file URL without a host, inside
// one of the folders. Empty when it may not be loaded.
QString HelpResourcePath(const QUrl &resource, const QUrl &page, const QStringList &folders);

// Whether the clean absolute path lies inside one of the folders (not the folder itself).
bool IsInsideFolders(const QString &path, const QStringList &folders);
