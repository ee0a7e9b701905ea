#pragma once

#include "pushlabels.h"

#include <QList>
#include <QString>

#include <array>

class MavoLabel3D;
class QWidget;

// Lays out the upper row of the main window's lower frame: each panel and button at least its
// design width and as wide as its caption needs; the frame, the widgets that span it and the
// window widen with the row.
class PanelRow
{
public:
    // followers keep their width's difference to the frame's (the lines, the field, the
    // greeting's frame).
    PanelRow(QWidget *window, QWidget *frame, const std::array<MavoLabel3D *, kPushLabelCount> &labels,
             QList<QWidget *> followers, int designWidth);

    void layout();

private:
    int captionFitWidth(const MavoLabel3D *label, const QString &caption) const;

    QWidget *m_window;
    QWidget *m_frame;
    std::array<MavoLabel3D *, kPushLabelCount> m_labels;
    QList<QWidget *> m_followers;
    int m_designWidth;
};
