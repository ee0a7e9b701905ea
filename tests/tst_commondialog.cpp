#include <commondialog.h>

#include <QtTest>
#include <QtWidgets>

#include <functional>

// clsCommonDialog against a fake chooser that records what it is asked and answers as told, and
// one run through each real Qt dialog, answered by a timer, for the wiring.
struct FakeChooser : CommonDialogChooser
{
    int result = 1;
    qint32 error = 0;
    ColorChoice colorAsked;
    FontChoice fontAsked;
    FileChoice fileAsked;
    std::function<void(ColorChoice &)> answerColor = [](ColorChoice &) {};
    std::function<void(FontChoice &)> answerFont = [](FontChoice &) {};
    std::function<void(FileChoice &)> answerFile = [](FileChoice &) {};

    template <typename Choice>
    int answer(Choice &choice, Choice &asked, const std::function<void(Choice &)> &how, qint32 &extendedError)
    {
        asked = choice;
        how(choice);
        extendedError = error;
        return result;
    }
    int chooseColor(QWidget *, ColorChoice &c, qint32 &e) override { return answer(c, colorAsked, answerColor, e); }
    int chooseFont(QWidget *, FontChoice &c, qint32 &e) override { return answer(c, fontAsked, answerFont, e); }
    int chooseOpenFile(QWidget *, FileChoice &c, qint32 &e) override { return answer(c, fileAsked, answerFile, e); }
};

static QString nul(const char *text) // "|" stands for NUL in the test tables
{
    return QString::fromUtf8(text).replace(u'|', QChar(0));
}

class TestCommonDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_fake = FakeChooser(); setCommonDialogChooser(&m_fake); }
    void cleanup() { setCommonDialogChooser(nullptr); }

    void textProperties()
    {
        clsCommonDialog d;
        // Trailing separators go, "/" and "\\" alike, but the root stays the root.
        for (const auto &[set, read] : {std::pair{"C:\\w\\", "C:\\w"}, {"/", "/"}}) {
            d.setFilePath(set);
            QCOMPARE(d.FilePath(), QString(read));
        }
        // The filter ends in exactly one NUL; the chooser gets the pairs up to an empty item.
        const std::tuple<const char *, const char *, QList<QPair<QString, QString>>> filters[] = {
            {"A|*.a|B|*.b;*.c|||", "A|*.a|B|*.b;*.c|", {{"A", "*.a"}, {"B", "*.b;*.c"}}},
            {"A|*.a|B", "A|*.a|B|", {{"A", "*.a"}}},
            {"A|*.a||B|*.b", "A|*.a||B|*.b|", {{"A", "*.a"}}},
        };
        for (const auto &[set, read, pairs] : filters) {
            d.setFileFilter(nul(set));
            QCOMPARE(d.FileFilter(), nul(read));
            d.ShowOpenFile();
            QCOMPARE(m_fake.fileAsked.Filters, pairs);
        }
    }

    void showFont()
    {
        clsCommonDialog d;
        // The screen flag is added when neither screen nor printer fonts can be had.
        const std::tuple<qint32, qint16, qint32> flags[] = {{0, 0, 1}, {2, 0, 1}, {0x802143, 0, 0x802141}, {2, 7, 2}};
        for (const auto &[set, hdc, sent] : flags) {
            d.setFlags(set);
            d.setFontPrinterHdc(hdc);
            d.ShowFont();
            QCOMPARE(m_fake.fontAsked.flags, sent);
        }
        d.setFontName(QString(40, u'x'));
        d.setFontItalic(true);
        m_fake.answerFont = [](FontChoice &c) { c = FontChoice{"Serif", 10.5, true, false, false, false, 0xFF}; };
        QCOMPARE(d.ShowFont(), 0);
        QCOMPARE(m_fake.fontAsked.FontName, QString(32, u'x')); // a face name holds 32 characters
        QCOMPARE((QVariantList{d.FontName(), d.FontBold(), d.FontItalic(), d.Color(), d.FontSize()}),
                 (QVariantList{"Serif", true, false, 0xFFu, 10})); // a half to even
        // To tenths first (13.5), then to whole points.
        m_fake.answerFont = [](FontChoice &c) { c.PointSize = 13.46; };
        d.ShowFont();
        QCOMPARE(d.FontSize(), 14);
    }

    void showOpenFile()
    {
        clsCommonDialog d;
        d.setFileFullName("/start/old.txt");
        QCOMPARE(d.ShowOpenFile(), 0);
        QCOMPARE(m_fake.fileAsked.FullName, QString()); // a name set beforehand never preselects a file
        // The chosen name, up to a NUL, split into the name and the folder.
        const std::tuple<QString, const char *, const char *, const char *> chosen[] = {
            {"/home/ann/w/InWords x.txt", "/home/ann/w/InWords x.txt", "InWords x.txt", "/home/ann/w"},
            {"/x.txt", "/x.txt", "x.txt", "/"}, {"x.txt", "x.txt", "x.txt", ""}, {nul("/a/b|c"), "/a/b", "b", "/a"}};
        for (const auto &[full, fullName, name, path] : chosen) {
            m_fake.answerFile = [full](FileChoice &c) { c.FullName = full; };
            QCOMPARE(d.ShowOpenFile(), 0);
            QCOMPARE((QStringList{d.FileFullName(), d.FileName(), d.FilePath()}), (QStringList{fullName, name, path}));
        }
        // The full name needs room: FileMaxSize characters, 255 when not above 0; a name too long
        // is a failure that leaves the property alone, never a name cut off.
        for (const auto &[maxSize, length] : {std::pair{10, 11}, {-3, 256}, {0, 256}, {0, 255}}) {
            d.setFileMaxSize(maxSize);
            const QString full = u'/' + QString(length - 1, u'n');
            m_fake.answerFile = [full](FileChoice &c) { c.FullName = full; };
            const bool fits = length == 255;
            QCOMPARE(d.ShowOpenFile(), 0);
            QCOMPARE((QList<qint32>{d.APIReturn(), d.ExtendedError()}), (fits ? QList{1, 0} : QList{0, 0x3003}));
            QCOMPARE(d.FileFullName(), fits ? full : QStringLiteral("/a/b"));
        }
    }

    // Cancel (0) and failure (-1) for each dialog, with and without CancelError; the chooser
    // changes everything it was given, which must not reach the properties.
    void notOkLeavesProperties_data()
    {
        QTest::addColumn<int>("dialog");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("cancelError");
        QTest::addColumn<qint32>("returned");
        QTest::addColumn<QString>("description");
        QTest::addColumn<qint32>("extended");
        const char *names[] = {"color", "font", "file"};
        const qint32 cancelNumbers[] = {-2147220610, 2001, 2001};
        for (int i = 0; i < 3; ++i) {
            QTest::addRow("%s-cancel", names[i]) << i << 0 << false << 0 << "" << 0;
            QTest::addRow("%s-cancel-error", names[i])
                << i << 0 << true << cancelNumbers[i] << (i == 0 ? "Cancel Pressed" : "") << 0;
            QTest::addRow("%s-failure", names[i]) << i << -1 << true << 0 << "" << 0x3002;
        }
    }
    void notOkLeavesProperties()
    {
        QFETCH(int, dialog);
        QFETCH(int, result);
        QFETCH(bool, cancelError);
        clsCommonDialog d;
        d.setCancelError(cancelError);
        d.setColor(0x10);
        d.setFontName("Mono");
        d.setFileFullName("/kept");
        m_fake.answerColor = [](ColorChoice &c) { c.Color = 0x20; c.Custom[0] = 1; };
        m_fake.answerFont = [](FontChoice &c) { c.FontName = "Sans"; c.FontColor = 0x20; };
        m_fake.answerFile = [](FileChoice &c) { c.FullName = "/other"; c.FilterIndex = 1; };
        m_fake.result = result;
        m_fake.error = result ? 0x3002 : 0;
        const qint32 returned = dialog == 0 ? d.ShowColor() : dialog == 1 ? d.ShowFont() : d.ShowOpenFile();
        QTEST(returned, "returned");
        QTEST(d.LastErrorDescription(), "description");
        QTEST(d.ExtendedError(), "extended");
        QCOMPARE((QVariantList{d.APIReturn(), d.Color(), d.ColorsCustom(), d.FontName(), d.FileFullName(),
                               d.FileFilterIndex()}),
                 (QVariantList{0, 0x10u, "", "Mono", "/kept", qint16(0)}));
    }

    // The Qt dialogs, each answered once. The colour dialog starts on the palette colour a system
    // reference stands for and gives back RGB; QFontDialog knows no size range: above Max is Max.
    void qtDialogs()
    {
        setCommonDialogChooser(nullptr);
        QPalette palette = QApplication::palette();
        const auto restore = qScopeGuard([saved = palette] { QApplication::setPalette(saved); });
        palette.setColor(QPalette::Base, QColor(10, 20, 30));
        QApplication::setPalette(palette);
        QTemporaryDir dir;
        clsCommonDialog d;
        d.setFlags(0x2001); // start on Color; limit the font size
        d.setColor(0x80000005u);
        d.setColorsCustom(nul("255|0")); // an unset (0) custom colour shows as white
        d.setMin(8);
        d.setMax(50);
        d.setFileDialogTitle("Words file");
        d.setFilePath(dir.path() + u'/');
        d.setFilePlaces({dir.path()});
        d.setFileFilter(nul("Words files (InWords*.txt)|InWords*.txt|Data|*.dat;*.bin"));
        // Each dialog runs its own event loop inside the call under test, so a timer answers it.
        QStringList shown; // colours; font size; title, folder, selected filter and every filter
        QUrl firstPlace;
        QTimer poll;
        poll.callOnTimeout([&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *colour = qobject_cast<QColorDialog *>(modal)) {
                shown = QStringList{colour->currentColor().name(), QColorDialog::customColor(0).name(),
                                    QColorDialog::customColor(1).name()};
                QColorDialog::setCustomColor(2, QColor(0, 0, 0xFE));
                colour->setCurrentColor(QColor(1, 2, 3));
                colour->accept();
            } else if (auto *font = qobject_cast<QFontDialog *>(modal)) {
                shown = QStringList{QString::number(font->currentFont().pointSize())};
                font->setCurrentFont(QFont("Sans", 72));
                font->accept();
            } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
                if (shown.size() < 5) // once: an answer that did not close it is given again
                    shown = QStringList{files->windowTitle(), files->directory().path(), files->selectedNameFilter()}
                            + files->nameFilters();
                firstPlace = firstPlace.isEmpty() ? files->sidebarUrls().value(0) : firstPlace;
                files->selectNameFilter(shown.value(4));
                // selectFile leaves the name box alone while it has the focus, as it has once shown.
                if (QWidget *focus = files->focusWidget())
                    focus->clearFocus();
                files->selectFile("other.dat");
                static_cast<QDialog *>(files)->accept(); // QFileDialog::accept is protected
            } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                box->button((shown << box->text()).size() == 1 ? QMessageBox::No : QMessageBox::Yes)->click();
            }
        });
        poll.start(10);
        QCOMPARE(d.ShowColor(), 0);
        QCOMPARE(shown, QStringList({"#0a141e", "#ff0000", "#ffffff"}));
        QCOMPARE(d.Color(), 0x030201u);
        QCOMPARE(d.ColorsCustom().split(QChar(0)),
                 QStringList({"255", "16777215", "16646144"}) + QStringList(13, "16777215")); // always sixteen
        d.setFontSize(12);
        QCOMPARE(d.ShowFont(), 0);
        QCOMPARE(shown, QStringList{"12"});
        QCOMPARE(d.FontSize(), 50);
        QCOMPARE(d.ShowOpenFile(), 0);
        QCOMPARE(shown, QStringList({"Words file", dir.path(), "Words files (InWords*.txt)",
                                     "Words files (InWords*.txt)", "Data (*.dat *.bin)"}));
        QCOMPARE(d.FileFullName(), dir.filePath("other.dat"));
        // The place leads the side bar; the file dialog settings all Qt programs share keep none of it.
        QCOMPARE(firstPlace, QUrl::fromLocalFile(dir.path()));
        const QStringList kept = QSettings(QSettings::UserScope, "QtProject").value("FileDialog/shortcuts").toStringList();
        QVERIFY(!kept.isEmpty() && !kept.contains(firstPlace.toString()));
        QCOMPARE(d.FileFilterIndex(), 1);
        // Saved as "other", other.txt is asked about (no, then yes); a name given whole never is.
        shown.clear();
        QVERIFY(QFile(dir.filePath("other.txt")).open(QIODevice::WriteOnly));
        QCOMPARE(SaveFileName(nullptr, dir.filePath("other"), ".txt"), QString());
        QCOMPARE(SaveFileName(nullptr, dir.filePath("other"), ".txt"), dir.filePath("other.txt"));
        QCOMPARE(SaveFileName(nullptr, dir.filePath("other.txt"), ".txt"), dir.filePath("other.txt"));
        QCOMPARE(shown, QStringList(2, "other.txt already exists.\nDo you want to replace it?"));
    }

private:
    FakeChooser m_fake;
};

QTEST_MAIN(TestCommonDialog)
#include "tst_commondialog.moc"
