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
    if (!m_strFocusThousands.isEmpty() && m_strFocusThousands != loc.thousandsSeparator)
        m_session->convertGrouping(m_strFocusThousands, loc.thousandsSeparator);
    m_strFocusThousands = loc.thousandsSeparator;

    if (!m_strFocusDecimal.isEmpty() && m_strFocusDecimal != loc.decimalSeparator) {
        const QString text = m_field->Text();
        const QString converted = ReplaceAll(text, m_strFocusDecimal, loc.decimalSeparator);
        const bool textChanges = converted != text;
        if (textChanges)
            m_field->setTextKeepingSelection(converted);
        m_session->convertDecimal(m_strFocusDecimal, loc.decimalSeparator, !textChanges);
    }
    m_strFocusDecimal = loc.decimalSeparator;
}
