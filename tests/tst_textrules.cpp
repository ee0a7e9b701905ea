// The calculation field's text rules: the leading zero, the Ctrl runs, the number under a double
// click, the panel values re-written for changed separators, and text from elsewhere read as
// figures and notes.

#include "localescope.h"
#include "tapereading.h"
#include "textrules.h"

#include <QRandomGenerator>
#include <QTest>

#include <iterator>

class TestTextRules : public QObject
{
    Q_OBJECT

private slots:
    void leadingZeros_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caretAfter");

        QTest::newRow("start-of-text") << ".5" << 2 << "." << "0.5" << 3;
        QTest::newRow("caret-after-point-moves") << "1+.5" << 3 << "." << "1+0.5" << 4;
        QTest::newRow("continuation-row") << "2+\r\n.5" << 6 << "." << "2+\r\n0.5" << 7;
        QTest::newRow("every-starter") << ".1-.2*.3/.4*(.5" << 15 << "." << "0.1-0.2*0.3/0.4*(0.5" << 20;
        QTest::newRow("caret-between-two-completions") << "-.5-.5" << 4 << "." << "-0.5-0.5" << 5;
        QTest::newRow("point-after-digit-left-alone") << "2.5" << 3 << "." << "2.5" << 3;
        QTest::newRow("power-is-no-starter") << "2^.5" << 4 << "." << "2^.5" << 4;
        QTest::newRow("comma-point") << ",5" << 2 << "," << "0,5" << 3;
        QTest::newRow("no-separator-no-change") << ".5" << 2 << "" << ".5" << 2;
    }
    void leadingZeros()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, point);
        qsizetype c = caret;
        QTEST(CompleteLeadingZeros(text, c, point), "result");
        QTEST(int(c), "caretAfter");
    }

    // Completing only where a completed text was edited gives what completing it whole gives, the
    // caret included, over random edits (the two ends of the edited span and a separator on
    // either side of it are where a narrowed scan goes wrong).
    void leadingZerosAfterAnEdit()
    {
        QRandomGenerator random(31);
        static const QString pieces[] = {".", ".5", "+", "+.", "\r\n", "\r\n.", "(", "7", "", "-.25*"};
        qsizetype ignored = 0;
        QString completed = CompleteLeadingZeros(QStringLiteral("1+.5\r\n2*3"), ignored, QStringLiteral("."));
        for (int i = 0; i < 3000; ++i) {
            const qsizetype at = random.bounded(int(completed.size()) + 1);
            const qsizetype cut = std::min<qsizetype>(completed.size() - at, random.bounded(3));
            const QString piece = pieces[random.bounded(int(std::size(pieces)))];
            const QString edited = completed.left(at) + piece + completed.mid(at + cut);
            const qsizetype caret = random.bounded(int(edited.size()) + 1);
            qsizetype wholeCaret = caret;
            qsizetype narrowCaret = caret;
            const QString whole = CompleteLeadingZeros(edited, wholeCaret, QStringLiteral("."));
            const QString narrow =
                CompleteLeadingZeros(edited, narrowCaret, QStringLiteral("."), at, at + piece.size());
            QCOMPARE(narrow, whole);
            QCOMPARE(narrowCaret, wholeCaret);
            completed = whole.size() > 400 ? whole.mid(whole.size() / 2) : whole;
            completed = CompleteLeadingZeros(completed, ignored, QStringLiteral("."));
        }
    }

    // The Ctrl+arrow target; rows without a selection also give the text after Ctrl+Delete
    // (forward) or Ctrl+Backspace, which removes what lies between the caret and that target.
    void runs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("afterDeletion");

        const QString n = QStringLiteral("12.5+30");
        QTest::newRow("right-to-end-of-number") << n << 2 << 0 << true << 4 << "12+30";
        QTest::newRow("right-over-operator") << n << 4 << 0 << true << 5 << "12.530";
        QTest::newRow("left-to-start-of-number") << n << 4 << 0 << false << 0 << "+30";
        QTest::newRow("left-over-operator") << n << 5 << 0 << false << 4 << "12.530";
        QTest::newRow("comma-inside-number") << "1,234+5" << 0 << 0 << true << 5 << "+5";
        QTest::newRow("line-break-with-operator") << "1+\r\n2" << 1 << 0 << true << 4 << "12";
        QTest::newRow("right-from-selection-end") << "1+23+4" << 0 << 2 << true << 4 << "";
        QTest::newRow("left-from-selection-start") << "1+23+4" << 3 << 2 << false << 2 << "";
    }
    void runs()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(bool, forward);
        QTEST(int(RunJumpTarget(text, selStart, selLength, forward)), "target");
        if (selLength == 0) {
            const TextSpan run = RunToDelete(text, selStart, forward);
            QTEST(text.remove(run.start, run.length), "afterDeletion");
        }
    }

    void numberAtClick_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("click");
        QTest::addColumn<QString>("point");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");

        const QString n = QStringLiteral("12+1234.56*3");
        QTest::newRow("on-the-point") << n << 7 << "." << 3 << 7;
        QTest::newRow("at-number-start") << n << 3 << "." << 3 << 7;
        QTest::newRow("last-number") << n << 12 << "." << 11 << 1;
        QTest::newRow("between-operators-nothing") << "1+*2" << 2 << "." << 2 << 0;
        QTest::newRow("comma-as-point") << "1,5" << 0 << "," << 0 << 3;
        QTest::newRow("click-beyond-text") << "12" << 9 << "." << 0 << 2;
    }
    void numberAtClick()
    {
        QFETCH(QString, text);
        QFETCH(int, click);
        QFETCH(QString, point);
        const TextSpan span = NumberAtClick(text, click, point);
        QTEST(int(span.start), "start");
        QTEST(int(span.length), "length");
    }

    void convertSeparators_data()
    {
        QTest::addColumn<bool>("grouping");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("oldSeparator");
        QTest::addColumn<QString>("newSeparator");
        QTest::addColumn<QString>("result");

        QTest::newRow("grouping-every-separator") << true << "1,234,567.89" << "," << "." << "1.234.567.89";
        QTest::newRow("grouping-sign-space-kept") << true << "- 1 234,5" << " " << "." << "- 1.234,5";
        QTest::newRow("grouping-removed") << true << "12,345" << "," << "" << "12345";
        QTest::newRow("decimal-last-occurrence-only") << false << "1,234,567,89" << "," << "." << "1,234,567.89";
        QTest::newRow("decimal-negative") << false << "- 12.5" << "." << "," << "- 12,5";
        QTest::newRow("decimal-absent") << false << "125" << "." << "," << "125";
    }
    void convertSeparators()
    {
        QFETCH(bool, grouping);
        QFETCH(QString, text);
        QFETCH(QString, oldSeparator);
        QFETCH(QString, newSeparator);
        QTEST(grouping ? ConvertGrouping(text, oldSeparator, newSeparator)
                       : ConvertDecimal(text, oldSeparator, newSeparator),
              "result");
    }

    // Pasted or opened text, worked by hand: the figures of every row (joined by CR LF), the
    // notes as "row:note" joined by "|", or the refusal with its row and the part not understood.
    // English groups with "," and writes "."; Russian groups with a no-break space and writes ",".
    void readings_data()
    {
        QTest::addColumn<bool>("russian");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("notes");
        QTest::addColumn<ReadingRefusal>("refusal");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("fragment");
        const auto read = [](const char *name, bool russian, const QString &text, const QString &sheet,
                             const QString &notes = {}) {
            QTest::newRow(name) << russian << text << sheet << notes << ReadingRefusal::None << -1 << QString();
        };
        const auto refuse = [](const char *name, bool russian, const QString &text, ReadingRefusal why, int row,
                               const QString &fragment) {
            QTest::newRow(name) << russian << text << QString() << QString() << why << row << fragment;
        };
        using R = ReadingRefusal;
        read("label-number-stays-in-note", false, "Invoice #12: 40+2", "40+2", "0:Invoice #12:");
        read("grouped-amount-after-label", false, "Rent 1,250.00", "1250.00", "0:Rent");
        read("words-and-currency", false, "Total: $1,234.50 + 10", "1234.50+10", "0:Total:");
        read("x-between-numbers", false, "2x3+2 X 3+(1+2)x4", "2*3+2*3+(1+2)*4");
        read("typeset-signs", false, QStringLiteral("10\u22123\u20132\u00b75\u00d72\u00f74"), "10-3-2*5*2/4");
        read("words-before-and-after", false, "Box 2 x 3 cm", "2*3", "0:Box cm");
        read("dash-among-words-is-note", false, "Rent - March 2026: 40", "40", "0:Rent - March 2026:");
        read("words-only-row", false, "Subtotal", "", "0:Subtotal");
        read("rows-notes-and-tab", false, "Rent 1,250.00+\nFood: 40\tweekly\r\n\n5", "1250.00+\r\n40\r\n\r\n5",
             "0:Rent|1:Food: weekly");
        read("tab-note-never-figures", false, "40+\t2 3 1e3 MOD", "40+", "0:2 3 1e3 MOD");
        read("sheet-text-unchanged", false, "1,5+2.5-\r\n(3)^2%<>=7\\2", "1,5+2.5-\r\n(3)^2%<>=7\\2");
        read("russian-space-groups", true, QStringLiteral("1 607,50+1\u00a0000+2\u202f000"), "1607,50+1000+2000");
        read("russian-currency-after", true, QStringLiteral("\u0410\u0440\u0435\u043d\u0434\u0430 1\u00a0250,00 \u20bd"),
             "1250,00", QStringLiteral("0:\u0410\u0440\u0435\u043d\u0434\u0430"));
        read("russian-english-grouping-not-read", true, "1,607.50", "1,607.50");
        refuse("spaces-between-numbers", false, "12 34", R::NumbersWithoutOperator, 0, "12 34");
        refuse("currency-between-numbers", false, "1+12 $ 34", R::NumbersWithoutOperator, 0, "12 $ 34");
        refuse("lone-cr-between-numbers", false, "1\r2", R::NumbersWithoutOperator, 0, "1\r2");
        refuse("english-space-grouping", false, "1+\n1 000", R::NumbersWithoutOperator, 1, "1 000");
        refuse("russian-short-group", true, "12 34", R::NumbersWithoutOperator, 0, "12 34");
        refuse("numbers-among-words", false, "12 apples 34", R::NumbersAmongWords, 0, "12 apples 34");
        refuse("scientific-notation", false, "1e3+1", R::ScientificNotation, 0, "1e3");
        refuse("scientific-notation-signed", false, "5+\n2.5E-4", R::ScientificNotation, 1, "2.5E-4");
        refuse("mod-word", false, "10 MOD 3", R::OperatorWord, 0, "MOD");
        refuse("div-word-any-case", false, "Rent 7 div 2", R::OperatorWord, 0, "div");
    }
    void readings()
    {
        QFETCH(bool, russian);
        QFETCH(QString, text);
        const TapeReading reading =
            ReadTapeText(text, russian ? testLocale(",", QStringLiteral("\u00a0")) : testLocale(".", ","));
        QStringList notes;
        for (const RowNote &note : reading.notes)
            notes << QString::number(note.row) + u':' + note.text;
        QTEST(reading.refusal, "refusal");
        QTEST(int(reading.refusedRow), "row");
        QTEST(reading.fragment, "fragment");
        QTEST(reading.sheet, "sheet");
        QTEST(notes.join(u'|'), "notes");
    }

    // A note is one line of at most 200 characters.
    void sanitizedNote()
    {
        QCOMPARE(SanitizedNote(u"  a\r\nb\tc\u2028d  "), QStringLiteral("a  b c d"));
        const QString emoji = QStringLiteral("\U0001F600");
        QCOMPARE(SanitizedNote(QString(199, u'a') + emoji), QString(199, u'a'));
        QCOMPARE(SanitizedNote(QString(300, u'b')).size(), kMaxNoteLength);
    }
};

QTEST_APPLESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
