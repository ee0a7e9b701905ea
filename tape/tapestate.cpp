#include "tapestate.h"

#include "tapefile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QUuid>

#include <algorithm>
#include <optional>

namespace {

const QString kFormat = QStringLiteral("tallyer-tape");
constexpr int kVersion = 2;
constexpr int kRowsInDocumentVersion = 1; // the earlier format: the rows in tape.json
const QString kCrLf = QStringLiteral("\r\n");

// A text as its rows: readable in the file, and without the escapes CR LF would need.
QJsonArray rowsOf(const QString &text)
{
    QJsonArray rows;
    for (const QString &row : text.split(kCrLf))
        rows.append(row);
    return rows;
}

std::optional<QString> textOf(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    QStringList rows;
    for (const QJsonValue &row : value.toArray()) {
        if (!row.isString())
            return std::nullopt;
        rows << row.toString();
    }
    return rows.join(kCrLf);
}

std::optional<qint32> integerOf(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (d != static_cast<double>(static_cast<qint64>(d)) || d < -2147483648.0 || d > 2147483647.0)
        return std::nullopt;
    return static_cast<qint32>(d);
}

// A selection inside the text: start from 0 to its length, the length no further than its end.
void clampSelection(const QString &text, qint32 &selStart, qint32 &selLength)
{
    const qint32 size = static_cast<qint32>(std::min<qsizetype>(text.size(), 2147483647));
    selStart = std::clamp(selStart, 0, size);
    selLength = std::clamp(selLength, 0, size - selStart);
}

// The notes of a history entry as [row, text] pairs, in row order.
QJsonArray notePairsOf(const RowNotes &notes)
{
    QJsonArray pairs;
    for (const RowNote &note : notes)
        pairs.append(QJsonArray{qint64(note.row), note.text});
    return pairs;
}

// The notes of a history entry whose text is text. An entry kept before notes were has none. A
// pair that names no row of the text, comes out of row order or holds no note after the
// sanitizing is dropped, as a caret outside the text is brought inside it; anything but a list of
// [row, text] pairs is no entry of this program.
std::optional<RowNotes> notesOf(const QJsonValue &value, const QString &text)
{
    RowNotes notes;
    if (value.isUndefined())
        return notes;
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray pairs = value.toArray();
    // Counted only for an entry with notes: the texts may be long, the notes few.
    const qsizetype rows = pairs.isEmpty() ? 0 : text.count(kCrLf) + 1;
    for (const QJsonValue &item : pairs) {
        const QJsonArray pair = item.toArray();
        const auto row = integerOf(pair.at(0));
        if (!item.isArray() || pair.size() != 2 || !row || !pair.at(1).isString())
            return std::nullopt;
        QString note = SanitizedNote(pair.at(1).toString());
        if (*row < 0 || *row >= rows || note.isEmpty() || (!notes.isEmpty() && notes.back().row >= *row))
            continue;
        notes.append({*row, std::move(note)});
    }
    return notes;
}

std::optional<TextEntry> entryOf(const QJsonValue &value)
{
    const QJsonObject o = value.toObject();
    const auto text = textOf(o.value(QLatin1String("rows")));
    const auto selStart = integerOf(o.value(QLatin1String("selStart")));
    const auto selLength = integerOf(o.value(QLatin1String("selLength")));
    const auto round = integerOf(o.value(QLatin1String("round")));
    if (!value.isObject() || !text || !selStart || !selLength || !round || *round < 0 || *round > 9)
        return std::nullopt;
    const auto notes = notesOf(o.value(QLatin1String("notes")), *text);
    if (!notes)
        return std::nullopt;
    TextEntry entry{*text, *selStart, *selLength, static_cast<quint8>(*round)};
    entry.notes = *notes;
    clampSelection(entry.text, entry.selStart, entry.selLength);
    return entry;
}

// The document of a state, or nothing when it is no state of a version this program reads.
std::optional<QJsonObject> documentOf(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    const auto version = integerOf(o.value(QLatin1String("version")));
    if (o.value(QLatin1String("format")).toString() != kFormat
        || (version != kVersion && version != kRowsInDocumentVersion))
        return std::nullopt;
    return o;
}

// The state a document holds, with rows the text of the earlier format's document or of tape.txt.
std::optional<TapeState> stateOf(const QJsonObject &o, const QString &rows)
{
    const auto selStart = integerOf(o.value(QLatin1String("selStart")));
    const auto selLength = integerOf(o.value(QLatin1String("selLength")));
    const QJsonValue history = o.value(QLatin1String("history"));
    if (!selStart || !selLength || !history.isArray())
        return std::nullopt;
    TapeState state{rows, *selStart, *selLength, {}};
    clampSelection(state.text, state.selStart, state.selLength);
    // The link came later: a state without it (or with one that is not a plain absolute path)
    // still reads, as a tape with no file.
    const QString file = o.value(QLatin1String("file")).toString();
    if (QDir::isAbsolutePath(file) && !file.contains(QChar(0))) {
        state.file = QDir::cleanPath(file);
        state.fileModified = o.value(QLatin1String("modified")).toBool();
    }
    for (const QJsonValue &item : history.toArray()) {
        const auto entry = entryOf(item);
        if (!entry)
            return std::nullopt;
        state.history.append(*entry);
    }
    return state;
}

QByteArray bytesOf(const TapeState &state, const QString &id, const QString &besideName, bool withHistory)
{
    QJsonArray history;
    if (withHistory) {
        for (const TextEntry &entry : state.history) {
            QJsonObject item{{QStringLiteral("rows"), rowsOf(entry.text)},
                             {QStringLiteral("selStart"), entry.selStart},
                             {QStringLiteral("selLength"), entry.selLength},
                             {QStringLiteral("round"), entry.round}};
            if (!entry.notes.isEmpty())
                item.insert(QStringLiteral("notes"), notePairsOf(entry.notes));
            history.append(item);
        }
    }
    QJsonObject o{{QStringLiteral("format"), kFormat},
                  {QStringLiteral("version"), kVersion},
                  {QStringLiteral("id"), id},
                  {QStringLiteral("selStart"), state.selStart},
                  {QStringLiteral("selLength"), state.selLength},
                  {QStringLiteral("history"), history}};
    if (!besideName.isEmpty())
        o.insert(QStringLiteral("beside"), besideName);
    if (!state.file.isEmpty()) {
        o.insert(QStringLiteral("file"), state.file);
        o.insert(QStringLiteral("modified"), state.fileModified);
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// The rows as tape.txt holds them: a tape file, each row's note after a TAB, without the LF after
// the last row, so that the bytes of a tape without notes are never more than the characters of
// the paste or the bytes of the file they came from.
QByteArray textBytesOf(const QString &text, const RowNotes &notes)
{
    QByteArray bytes = TapeFileBytes(text, notes);
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    return bytes;
}

bool existsOrLinks(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// A regular file's bytes, read no further than limit; nothing when it is no regular file, is
// larger, or cannot be read. A pipe or a device would make the read wait, or never end.
std::optional<QByteArray> boundedRead(const QString &path, qint64 limit)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > limit)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > limit)
        return std::nullopt;
    return bytes;
}

// The rows of tape.txt joined by CR LF. Rows this program kept are ASCII (the sheet holds nothing
// else), so they are widened in one pass, each LF between them becoming CR LF, the LF after the
// last row (a file saved by hand) ending it; anything else is read as a tape file is.
std::optional<QString> rowsFrom(const QString &textPath)
{
    const auto read = boundedRead(textPath, kTapeFileLimit);
    if (!read)
        return std::nullopt;
    QByteArrayView bytes(*read);
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    qsizetype breaks = 0;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\n') {
            ++breaks;
        } else if (b == 0 || b == '\r' || b >= 0x80) {
            QString text;
            if (!TapeTextFromBytes(*read, textPath, text).ok())
                return std::nullopt;
            return text;
        }
    }
    QString text(bytes.size() + breaks, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (const char c : bytes) {
        if (c == '\n')
            *out++ = u'\r';
        *out++ = static_cast<char16_t>(c);
    }
    return text;
}

// The rows of tape.txt split at the first TAB of each: the text before it stays in text, what
// follows is the row's note (SanitizedNote; a note that comes to nothing is none). A text without
// a TAB, all that a tape without notes holds, is left as it is, uncopied.
RowNotes notesTakenFrom(QString &text)
{
    RowNotes notes;
    if (!text.contains(u'\t'))
        return notes;
    QString rows;
    rows.reserve(text.size());
    const QStringView all(text);
    qsizetype start = 0;
    for (qsizetype row = 0;; ++row) {
        const qsizetype found = all.indexOf(kCrLf, start);
        const qsizetype end = found < 0 ? all.size() : found;
        const QStringView line = all.mid(start, end - start);
        const qsizetype tab = line.indexOf(u'\t');
        rows += tab < 0 ? line : line.left(tab);
        if (tab >= 0) {
            QString note = SanitizedNote(line.mid(tab + 1));
            if (!note.isEmpty())
                notes.append({row, std::move(note)});
        }
        if (found < 0)
            break;
        rows += kCrLf;
        start = end + 2;
    }
    text = std::move(rows);
    return notes;
}

// The state's folder, created for the user alone when it is missing.
bool makeFolder(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    if (!QDir().mkpath(folder))
        return false;
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

// Renames an unusable state file out of the way: ".bad", or ".bad.2", ".bad.3", ... when
// earlier ones are still there. Empty when it cannot be renamed.
QString setAside(const QString &path)
{
    for (int n = 1; n < 1000; ++n) {
        const QString target = path + QStringLiteral(".bad") + (n == 1 ? QString() : QStringLiteral(".%1").arg(n));
        if (existsOrLinks(target))
            continue;
        return QFile::rename(path, target) ? target : QString();
    }
    return {};
}

TapeStateLoadResult unusable(const QString &path)
{
    TapeStateLoadResult result;
    result.setAsidePath = SetTapeStateAside(path);
    result.outcome = result.setAsidePath.isEmpty() ? TapeStateOutcome::Unusable : TapeStateOutcome::SetAside;
    return result;
}

// The id of the state kept now; empty when there is none, or it is of the earlier format.
QString keptId(const QString &path)
{
    const auto bytes = boundedRead(path, kTapeStateLimit);
    const auto o = bytes ? documentOf(*bytes) : std::nullopt;
    return o ? o->value(QLatin1String("id")).toString() : QString();
}

// Another copy's rows, renamed to a tape file a user recognises in the folder, named for when
// they were kept. Empty when the rename failed.
QString moveBeside(const QString &textPath)
{
    const QFileInfo info(textPath);
    const QString stamp = info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss"));
    const QString base = info.dir().filePath(QStringLiteral("tape kept by another window ") + stamp);
    for (int n = 1; n < 1000; ++n) {
        const QString target = base + (n == 1 ? QString() : QStringLiteral(" (%1)").arg(n)) + QStringLiteral(".txt");
        if (existsOrLinks(target))
            continue;
        return QFile::rename(textPath, target) ? target : QString();
    }
    return {};
}

// The marks of runs that restored the state: "tape.json.run-PID".
QString markPrefix(const QString &path)
{
    return QFileInfo(path).fileName() + QStringLiteral(".run-");
}

// What tells a process apart from a later one with the same id: the boot and the time the
// process started (the 22nd field of /proc/PID/stat, in clock ticks since the boot). Empty when
// the process is gone, or the system does not say.
QByteArray processIdentity(qint64 pid)
{
    QFile boot(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!boot.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.read(4096);
    // The name in parentheses may hold anything, spaces and ")" too: the fields follow the last ")".
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 1).simplified().split(' ');
    constexpr int kStartTime = 22 - 3; // fields counted from 1, the first two before the ")"
    if (fields.size() <= kStartTime)
        return {};
    return boot.read(64).trimmed() + ' ' + fields.at(kStartTime);
}

} // namespace

QString TapeStateFolder()
{
    // A relative XDG_STATE_HOME is not a place to keep anything: it is taken as unset.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/tallyer"));
}

QString TapeStateFilePath()
{
    return TapeStateFolder() + QStringLiteral("/tape.json");
}

QString TapeStateTextPath(const QString &path)
{
    return QFileInfo(path).dir().filePath(QStringLiteral("tape.txt"));
}

TapeStateLoadResult LoadTapeState(const QString &path)
{
    const QString textPath = TapeStateTextPath(path);
    QString text;
    RowNotes notes; // the earlier format kept none
    if (!existsOrLinks(path)) {
        // Rows without their document (removed by hand): the tape still comes back.
        if (!existsOrLinks(textPath))
            return {};
        auto rows = rowsFrom(textPath);
        if (!rows)
            return unusable(path);
        TapeState state{std::move(*rows), 0, 0, {}};
        state.notes = notesTakenFrom(state.text);
        return {state, TapeStateOutcome::Restored, {}, {}, {}};
    }
    const auto bytes = boundedRead(path, kTapeStateLimit);
    const auto o = bytes ? documentOf(*bytes) : std::nullopt;
    if (!o)
        return unusable(path);
    if (integerOf(o->value(QLatin1String("version"))) == kRowsInDocumentVersion) {
        const auto rows = textOf(o->value(QLatin1String("rows")));
        if (!rows)
            return unusable(path);
        text = *rows;
    } else {
        const auto rows = rowsFrom(textPath);
        if (!rows)
            return unusable(path);
        text = *rows;
        notes = notesTakenFrom(text);
    }
    auto state = stateOf(*o, text);
    if (!state)
        return unusable(path);
    state->notes = std::move(notes);
    TapeStateLoadResult result{*state, TapeStateOutcome::Restored, {}, o->value(QLatin1String("id")).toString(), {}};
    const QString beside = o->value(QLatin1String("beside")).toString();
    // Only a plain name in the folder: the document is no way to point at other files.
    if (!beside.isEmpty() && !beside.contains(u'/') && beside != QLatin1String("..")) {
        const QString besidePath = QFileInfo(path).dir().filePath(beside);
        if (QFileInfo(besidePath).isFile())
            result.besidePath = besidePath;
    }
    return result;
}

bool SaveTapeState(const TapeState &state, const QString &path, QString *reason, const QString &besideName)
{
    const auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    const QByteArray text = textBytesOf(state.text, state.notes);
    if (text.size() > kTapeFileLimit)
        return fail(QStringLiteral("the tape is larger than 16 MiB"));
    // A history the next start would refuse is not kept; the tape is.
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QByteArray bytes = bytesOf(state, id, besideName, true);
    if (bytes.size() > kTapeStateLimit)
        bytes = bytesOf(state, id, besideName, false);

    const QString folder = QFileInfo(path).absolutePath();
    if (!makeFolder(folder))
        return fail(QStringLiteral("cannot create the folder '%1'").arg(folder));
    QString why;
    if (!WriteWholeFile(TapeStateTextPath(path), text, &why) || !WriteWholeFile(path, bytes, &why))
        return fail(why);
    return true;
}

QString SetTapeStateAside(const QString &path)
{
    const QString textPath = TapeStateTextPath(path);
    const QString text = existsOrLinks(textPath) ? setAside(textPath) : QString();
    const QString document = existsOrLinks(path) ? setAside(path) : QString();
    return text.isEmpty() ? document : text;
}

bool DiscardTapeState(const QString &path)
{
    const QString textPath = TapeStateTextPath(path);
    const bool text = !QFileInfo::exists(textPath) || QFile::remove(textPath);
    return (!QFileInfo::exists(path) || QFile::remove(path)) && text;
}

TapeStateOrigin TapeStateOriginOf(const QString &id, const TapeState &state)
{
    // The notes count as the text does: a run that changed only a note keeps its tape.
    const auto withNotes = [](size_t seed, const RowNotes &notes) {
        for (const RowNote &note : notes)
            seed = qHashMulti(seed, note.row, note.text);
        return seed;
    };
    size_t digest = withNotes(qHashMulti(0, state.text, state.file, state.fileModified), state.notes);
    for (const TextEntry &entry : state.history)
        digest = withNotes(qHashMulti(digest, entry.text, entry.selStart, entry.selLength, entry.round), entry.notes);
    return {id, digest, state.selStart, state.selLength};
}

TapeKeepResult KeepTape(const TapeState &state, const TapeStateOrigin &origin, const QString &path)
{
    TapeKeepResult result;
    makeFolder(QFileInfo(path).absolutePath());
    // Copies closing together (a logout) take turns; one that waits too long keeps all the same.
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.tryLock(3000);

    const bool otherKept = keptId(path) != origin.id;
    const TapeStateOrigin now = TapeStateOriginOf(origin.id, state);
    const bool tapeChanged = now.digest != origin.digest;
    const bool caretChanged = now.selStart != origin.selStart || now.selLength != origin.selLength;
    if (!tapeChanged && (otherKept || !caretChanged))
        return result;

    const auto notKept = [&](const QString &why) {
        result.outcome = TapeKeepOutcome::NotKept;
        result.reason = why;
        result.setAsidePath = SetTapeStateAside(path);
        return result;
    };
    if (textBytesOf(state.text, state.notes).size() > kTapeFileLimit)
        return notKept(QStringLiteral("the tape is larger than 16 MiB"));
    QString besideName;
    const QString textPath = TapeStateTextPath(path);
    if (otherKept && QFileInfo::exists(textPath)) {
        result.besidePath = moveBeside(textPath);
        if (result.besidePath.isEmpty())
            return notKept(QStringLiteral("the tape of another window could not be kept beside it"));
        besideName = QFileInfo(result.besidePath).fileName();
    }
    QString reason;
    if (!SaveTapeState(state, path, &reason, besideName))
        return notKept(reason);
    result.outcome = TapeKeepOutcome::Kept;
    return result;
}

bool MarkTapeStateInUse(const QString &path)
{
    const qint64 pid = QCoreApplication::applicationPid();
    const QString folder = QFileInfo(path).absolutePath();
    if (!makeFolder(folder))
        return false;
    return WriteWholeFile(QDir(folder).filePath(markPrefix(path) + QString::number(pid)), processIdentity(pid));
}

void UnmarkTapeStateInUse(const QString &path)
{
    QFile::remove(path + QStringLiteral(".run-") + QString::number(QCoreApplication::applicationPid()));
}

bool TapeStateFailedLastRun(const QString &path)
{
    // Without the system's word on processes nothing can be told: every mark counts as running.
    if (processIdentity(QCoreApplication::applicationPid()).isEmpty())
        return false;
    const QDir folder = QFileInfo(path).absoluteDir();
    const QString prefix = markPrefix(path);
    bool failed = false;
    for (const QString &name : folder.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System)) {
        bool ok = false;
        const qint64 pid = name.mid(prefix.size()).toLongLong(&ok);
        const QString markPath = folder.filePath(name);
        const auto mark = boundedRead(markPath, 256);
        if (ok && mark && !mark->isEmpty() && *mark == processIdentity(pid))
            continue; // a copy still running
        QFile::remove(markPath);
        failed = true;
    }
    return failed;
}
