// The printed tape, read back from the exported PDF with pdftotext (poppler-utils): the rows,
// their operators and subtotals, the result, the name and the page number are on the page; a long
// tape breaks into pages that each repeat the column heads; the heads follow the user's language;
// a PDF that cannot be written says why; the print dialog's preview shows the tape's pages.

#include "localescope.h"

#include <tapepreview.h>
#include <tapeprint.h>

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

    TapeDocument document(const QString &sheet) const
    {
        return {sheet, m_dir.filePath(QStringLiteral("rent.tape")), 2, testLocale(QStringLiteral("."), QStringLiteral(",")),
                QDateTime(QDate(2024, 3, 5), QTime(14, 30))};
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
        QVERIFY2(ExportTapePdf(pdf, document(QStringLiteral("1250+\r\n340+\r\n17.5")), &reason), qPrintable(reason));
        const QStringList text = pages(pdf);
        QCOMPARE(text.size(), 1);
        const QString page = text.front();
        // Each row: number, entry, its operator, subtotal, in this order on one line; then the
        // result; the file's name and the date above, the page number below.
        static const QRegularExpression rows(QStringLiteral(
            "rent\\.tape.*05/03/2024.*\\n.*No\\..*Entry.*Subtotal.*\\n"
            "\\s*1\\s+1250 \\+\\s+1,250\\.00\\s*\\n\\s*2\\s+340 \\+\\s+1,590\\.00\\s*\\n\\s*3\\s+17\\.5\\s+1,607\\.50\\s*\\n"
            "\\s*Result\\s+1,607\\.50\\s*\\n(.|\\n)*Page 1 of 1"));
        QVERIFY2(rows.match(page).hasMatch(), qPrintable(page));
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
        static const QRegularExpression row(QStringLiteral("^\\s*(\\d+)\\s+1 (\\+|)\\s+(\\S+)\\s*$"),
                                            QRegularExpression::MultilineOption);
        int expected = 1;
        for (const QString &page : text) {
            for (const QRegularExpressionMatch &m : row.globalMatch(page)) {
                QCOMPARE(m.captured(1).toInt(), expected);
                QCOMPARE(m.captured(3), QStringLiteral("%1.00").arg(expected));
                ++expected;
            }
        }
        QCOMPARE(expected, 152);
    }

    void headsInRussian()
    {
        setLocaleSource([] { return LocaleSnapshot{QLocale(QLocale::Russian, QLocale::Russia), true}; });
        const QString pdf = m_dir.filePath(QStringLiteral("russian.pdf"));
        TapeDocument tape = document(QStringLiteral("2+\r\n3"));
        tape.fileName.clear();
        QVERIFY(ExportTapePdf(pdf, tape));
        setLocaleSource([] { return LocaleSnapshot{QLocale(QLocale::English, QLocale::UnitedKingdom), true}; });
        const QString page = pages(pdf).value(0);
        for (const char *word : {"Без имени", "Запись", "Подытог", "Результат", "Страница 1 из 1"})
            QVERIFY2(page.contains(QString::fromUtf8(word)), word);
    }

    void previewShowsThePages()
    {
        QWidget owner;
        int previewPages = -1;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (auto *preview = dialog->findChild<QPrintPreviewWidget *>())
                previewPages = preview->pageCount();
            dialog->reject();
        });
        QStringList rows(120, QStringLiteral("2+"));
        rows << QStringLiteral("2");
        PrintTapeWithPreview(&owner, document(rows.join(QStringLiteral("\r\n"))));
        // 121 rows of 10 points (about 4.2 mm a line with its spacing) take some 510 mm: more than one
        // page, and no more than three on A4 or Letter whatever margins the printer has.
        QVERIFY2(previewPages >= 2 && previewPages <= 3, qPrintable(QString::number(previewPages)));
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
