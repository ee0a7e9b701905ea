#include "localewatch.h"

#include "calcfield.h"
#include "calcsession.h"
#include "sheeteditor.h"
#include "texthelpers.h"

LocaleWatch::LocaleWatch(CalcField *field, SheetEditor *sheet, CalcSession *session)
    : m_field(field)
    , m_sheet(sheet)
    , m_session(session)
{
}

void LocaleWatch::fieldFocused()
{
    m_sheet->readLocale();
    const LocaleValues &loc = m_sheet->locale();
    m_session->setLocale(loc);
    if (!m_focusThousands.isEmpty() && m_focusThousands != loc.thousandsSeparator)
        m_session->convertGrouping(m_focusThousands, loc.thousandsSeparator);
    m_focusThousands = loc.thousandsSeparator;

    if (!m_focusDecimal.isEmpty() && m_focusDecimal != loc.decimalSeparator) {
        const QString text = m_field->Text();
        const QString converted = ReplaceAll(text, m_focusDecimal, loc.decimalSeparator);
        const bool textChanges = converted != text;
        if (textChanges)
            m_field->setTextKeepingSelection(converted);
        m_session->convertDecimal(m_focusDecimal, loc.decimalSeparator, !textChanges);
    }
    m_focusDecimal = loc.decimalSeparator;
}
