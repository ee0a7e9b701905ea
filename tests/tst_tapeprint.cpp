// The printed tape, read back from the exported PDF with pdftotext (poppler-utils): the amounts
// with their operations' marks, the subtotals, the total line, the name and the page number are on
// the page; a long tape breaks into pages that each repeat the column heads; the heads follow the
// user's language; a PDF that cannot be written says why; the print dialog's preview shows the
// tape's pages on the locale's paper. The text form's lines, and the date's four-digit year.

#include "localescope.h"

#include <tapepreview.h>
#include <tapeprint.h>
#include <tapereading.h>
#include <tapetexts.h>

#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QtTest>
#include <QtWidgets>

class TestTapePrint : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_pdftotext;

    // The text of every page, in reading order with the layout kept.
    QStringList pages(const QString &pdf)
    {
        QProcess process;
        process.start(m_pdftotext, {"-layout", pdf, "-"});
        if (!process.waitForFinished(60000))
            return {};
        QStringList texts = QString::fromUtf8(process.readAllStandardOutput()).split(u'\f');
        if (!texts.isEmpty() && texts.back().trimmed().isEmpty())
            texts.removeLast();
        return texts;
    }

    // rows as a tape file holds them, a note after a TAB.
    TapeDocument document(const QString &rows) const
    {
        const LocaleValues locale = testLocale(QStringLiteral("."), QStringLiteral(","));
        const TapeReading reading = ReadTapeText(rows, locale);
        return {reading.sheet, m_dir.filePath(QStringLiteral("rent.tape")), 2, locale,
                QDateTime(QDate(2024, 3, 5), QTime(14, 30)), TapePaper::Local, reading.notes};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        QVERIFY2(!m_pdftotext.isEmpty(), "pdftotext (poppler-utils, in the Makefile's PACKAGES) is needed");
        setLocaleSource([] { return LocaleSnapshot{QLocale(QLocale::English, QLocale::UnitedKingdom), true}; });
    }
    void cleanupTestCase() { setLocaleSource({}); }

    void threeRowTape()
    {
        const QString pdf = m_dir.filePath(QStringLiteral("three.pdf"));
        QString reason;
        const QString receipt = QStringLiteral("Receipt ").repeated(25);
        QVERIFY2(ExportTapePdf(pdf, document("1250+\tRent\r\n340-\r\n17.5\t" + receipt), &reason), qPrintable(reason));
        const QStringList text = pages(pdf);
        QCOMPARE(text.size(), 1);
        const QString page = text.front();
        // Each row: number, amount, the mark of its operation, subtotal and note, in this order on one
        // line, a note too long for the page cut with "…"; then the total line; the file's name and
        // the date above, the page number below.
        static const QRegularExpression rows(QString::fromUtf8(
            "rent\\.tape.*05/03/2024 14:30.*\\n.*No\\..*Entry.*Subtotal\\s+Note\\s*\\n"
            "\\s*1\\s+1,250\\.00 \\+\\s+1,250\\.00\\s+Rent\\s*\\n\\s*2\\s+340\\.00 \\+\\s+1,590\\.00\\s*\\n"
            "\\s*3\\s+17\\.50 \u2212\\s+1,572\\.50\\s+Receipt (Receipt )+Re?c?e?i?p?t?\u2026\\s*\\n"
            "\\s*Result\\s+1,572\\.50 \\*\\s+Items: 3\\s+05/03/2024 14:30\\s*\\n"
            "(.|\\n)*Page 1 of 1"));
        QVERIFY2(rows.match(page).hasMatch(), qPrintable(page));
    }

    // The text form from the column heads to the total line, worked by hand: each amount at the
    // tape's rounding beside the mark of the operation applied to it (the first one's included),
    // right-aligned; the total with "*" or, in its place, why there is none; the number of amounts.
    void textLines_data()
    {
        QTest::addColumn<QString>("rows"); // joined by "|"
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QStringList>("lines");
        const QString date = QStringLiteral("   05/03/2024 14:30");
        QTest::newRow("sums-signs-beside-amounts") << "1250+|128.40-|45+|-5" << 2 << QStringList{
            "No.     Entry    Subtotal", "  1  1,250.00 +  1,250.00", "  2    128.40 +  1,378.40",
            "  3     45.00 \u2212  1,333.40", "  4      5.00 \u2212  1,328.40", QString(25, u'-'),
            "       Result    1,328.40 *   Items: 4" + date};
        QTest::newRow("product-and-percent-by-precedence") << "200+|3*|4-|10%" << 2 << QStringList{
            "No.   Entry     Subtotal", "  1  200.00 +     200.00", "  2    3.00 +     203.00",
            "  3    4.00 \u00D7     212.00", "  4   10.00 \u2212%    190.80", QString(24, u'-'),
            "     Result       190.80 *   Items: 4" + date};
        QTest::newRow("division-by-zero-said") << "100/|0+|5" << 2 << QStringList{
            "No.   Entry    Subtotal", "  1  100.00 +    100.00", "  2    0.00 \u00F7", "  3    5.00 +",
            QString(23, u'-'), "     Result    Division by zero   Items: 3" + date};
        // A note stands two spaces after the subtotal's column, blank or not.
        QTest::newRow("notes-in-a-last-column") << "100/\tfees|0+\tcheck the rate|5" << 2 << QStringList{
            "No.   Entry    Subtotal  Note", "  1  100.00 +    100.00  fees", "  2    0.00 \u00F7            check the rate",
            "  3    5.00 +", QString(23, u'-'), "     Result    Division by zero   Items: 3" + date};
        QTest::newRow("rounded-amounts-empty-row-incomplete") << "1.5+|2.25+|" << 0 << QStringList{
            "No.   Entry    Subtotal", "  1       2 +         2", "  2       2 +         4", "  3",
            QString(23, u'-'), "     Result    Incomplete expression   Items: 2" + date};
    }
    void textLines()
    {
        QFETCH(QString, rows);
        QFETCH(int, decimals);
        QFETCH(QStringList, lines);
        TapeDocument tape = document(rows.replace(u'|', QStringLiteral("\r\n")));
        tape.decimals = decimals;
        const QStringList text = QString::fromUtf8(TapeText(tape, TapeHeadingTexts())).split(u'\n');
        QCOMPARE(text.mid(2), lines + QStringList{QString()});
    }

    void dateHasFourDigitYear()
    {
        TapeDocument tape;
        tape.printedAt = QDateTime(QDate(2024, 3, 5), QTime(14, 30));
        for (const auto &[locale, date] : {std::pair{QLocale(QLocale::English, QLocale::UnitedStates), "3/5/2024 2:30 PM"},
                                           std::pair{QLocale(QLocale::German, QLocale::Germany), "05.03.2024 14:30"}}) {
            const auto restore = useLocaleSource(locale);
            QCOMPARE(TapeDateText(tape), QString::fromUtf8(date));
        }
    }

    void longTapeBreaksIntoPages()
    {
        QStringList rows;
        for (int i = 1; i <= 150; ++i)
            rows << QStringLiteral("1+");
        rows << QStringLiteral("1");
        const QString pdf = m_dir.filePath(QStringLiteral("long.pdf"));
        QVERIFY(ExportTapePdf(pdf, document(rows.join(QStringLiteral("\r\n")))));
        const QStringList text = pages(pdf);
        QVERIFY2(text.size() >= 3, qPrintable(QString::number(text.size())));
        QStringList numbers;
        for (qsizetype p = 0; p < text.size(); ++p) {
            QVERIFY(text.at(p).contains(QRegularExpression(QStringLiteral("No\\.\\s+Entry\\s+Subtotal"))));
            QVERIFY(text.at(p).contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(text.size())));
            // The result stands on the last page only.
            QCOMPARE(text.at(p).contains(QStringLiteral("Result")), p + 1 == text.size());
        }
        // Every row once, in order, with its subtotal: row 151 is the last.
        static const QRegularExpression row(QStringLiteral("^\\s*(\\d+)\\s+1\\.00 \\+\\s+(\\S+)\\s*$"),
                                            QRegularExpression::MultilineOption);
        int expected = 1;
        for (const QString &page : text) {
            for (const QRegularExpressionMatch &m : row.globalMatch(page)) {
                QCOMPARE(m.captured(1).toInt(), expected);
                QCOMPARE(m.captured(2), QStringLiteral("%1.00").arg(expected));
                ++expected;
            }
        }
        QCOMPARE(expected, 152);
    }

    void headsInRussian()
    {
        setLocaleSource([] { return LocaleSnapshot{QLocale(QLocale::Russian, QLocale::Russia), true}; });
        const QString pdf = m_dir.filePath(QStringLiteral("russian.pdf"));
        TapeDocument tape = document(QStringLiteral("2+\tаренда\r\n3"));
        tape.fileName.clear();
        QVERIFY(ExportTapePdf(pdf, tape));
        setLocaleSource([] { return LocaleSnapshot{QLocale(QLocale::English, QLocale::UnitedKingdom), true}; });
        const QString page = pages(pdf).value(0);
        for (const char *word : {"Без имени", "Запись", "Подытог", "Примечание", "аренда", "Результат", "Страница 1 из 1"})
            QVERIFY2(page.contains(QString::fromUtf8(word)), word);
    }

    void previewShowsThePages()
    {
        const auto us = useLocaleSource(QLocale(QLocale::English, QLocale::UnitedStates));
        QWidget owner;
        int previewPages = -1;
        QPageSize::PageSizeId paper = QPageSize::Custom;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (auto *preview = dialog->findChild<QPrintPreviewWidget *>())
                previewPages = preview->pageCount();
            paper = dialog->printer()->pageLayout().pageSize().id();
            dialog->reject();
        });
        QStringList rows(120, QStringLiteral("2+"));
        rows << QStringLiteral("2");
        PrintTapeWithPreview(&owner, document(rows.join(QStringLiteral("\r\n"))));
        // 121 rows of 10 points (about 4.2 mm a line with its spacing) take some 510 mm: more than one
        // page, and no more than three on A4 or Letter whatever margins the printer has.
        QVERIFY2(previewPages >= 2 && previewPages <= 3, qPrintable(QString::number(previewPages)));
        QCOMPARE(paper, QPageSize::Letter); // the locale measures in inches
    }

    void unwritablePdfSaysWhy()
    {
        QString reason;
        QVERIFY(!ExportTapePdf(m_dir.filePath(QStringLiteral("none/tape.pdf")), document(QStringLiteral("1")), &reason));
        QVERIFY(!reason.isEmpty());
        const QString folder = m_dir.filePath(QStringLiteral("folder.pdf"));
        QVERIFY(QDir().mkpath(folder + "/inside"));
        QVERIFY(!ExportTapePdf(folder, document(QStringLiteral("1")), &reason));
        QVERIFY(QFileInfo(folder + "/inside").isDir());
    }
};

QTEST_MAIN(TestTapePrint)
#include "tst_tapeprint.moc"
