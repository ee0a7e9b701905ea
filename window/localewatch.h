#pragma once

#include <QString>

class CalcField;
class CalcSession;
class SheetEditor;

// The user may change the regional settings while the window is in the background. Each time the
// field takes the focus the number conventions are read again, and a changed thousands or decimal
// separator is carried into the field's text, the results and the memory cells.
class LocaleWatch
{
public:
    LocaleWatch(CalcField *field, SheetEditor *sheet, CalcSession *session);

    void fieldFocused();

private:
    CalcField *m_field;
    SheetEditor *m_sheet;
    CalcSession *m_session;
    // Separators seen at the field's last focus (empty until the first).
    QString m_focusThousands;
    QString m_focusDecimal;
};
