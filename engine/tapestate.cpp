#include "tapestate.h"

#include "tapefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <optional>

namespace {

const QString kFormat = QStringLiteral("tallyer-tape");
constexpr int kVersion = 1;
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

std::optional<TextEntry> entryOf(const QJsonValue &value)
{
    const QJsonObject o = value.toObject();
    const auto text = textOf(o.value(QLatin1String("rows")));
    const auto selStart = integerOf(o.value(QLatin1String("selStart")));
    const auto selLength = integerOf(o.value(QLatin1String("selLength")));
    const auto round = integerOf(o.value(QLatin1String("round")));
    if (!value.isObject() || !text || !selStart || !selLength || !round || *round < 0 || *round > 9)
        return std::nullopt;
    TextEntry entry{*text, *selStart, *selLength, static_cast<quint8>(*round)};
    clampSelection(entry.text, entry.selStart, entry.selLength);
    return entry;
}

std::optional<TapeState> stateOf(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    if (o.value(QLatin1String("format")).toString() != kFormat
        || integerOf(o.value(QLatin1String("version"))) != kVersion)
        return std::nullopt;
    const auto text = textOf(o.value(QLatin1String("rows")));
    const auto selStart = integerOf(o.value(QLatin1String("selStart")));
    const auto selLength = integerOf(o.value(QLatin1String("selLength")));
    const QJsonValue history = o.value(QLatin1String("history"));
    if (!text || !selStart || !selLength || !history.isArray())
        return std::nullopt;
    TapeState state{*text, *selStart, *selLength, {}};
    clampSelection(state.text, state.selStart, state.selLength);
    for (const QJsonValue &item : history.toArray()) {
        const auto entry = entryOf(item);
        if (!entry)
            return std::nullopt;
        state.history.append(*entry);
    }
    return state;
}

QByteArray documentOf(const TapeState &state, bool withHistory)
{
    QJsonArray history;
    if (withHistory) {
        for (const TextEntry &entry : state.history) {
            history.append(QJsonObject{{QStringLiteral("rows"), rowsOf(entry.text)},
                                       {QStringLiteral("selStart"), entry.selStart},
                                       {QStringLiteral("selLength"), entry.selLength},
                                       {QStringLiteral("round"), entry.round}});
        }
    }
    const QJsonObject o{{QStringLiteral("format"), kFormat},
                        {QStringLiteral("version"), kVersion},
                        {QStringLiteral("rows"), rowsOf(state.text)},
                        {QStringLiteral("selStart"), state.selStart},
                        {QStringLiteral("selLength"), state.selLength},
                        {QStringLiteral("history"), history}};
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

// Renames an unusable state file out of the way: ".bad", or ".bad.2", ".bad.3", ... when
// earlier ones are still there. Empty when it cannot be renamed.
QString setAside(const QString &path)
{
    for (int n = 1; n < 1000; ++n) {
        const QString target = path + QStringLiteral(".bad") + (n == 1 ? QString() : QStringLiteral(".%1").arg(n));
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        return QFile::rename(path, target) ? target : QString();
    }
    return {};
}

TapeStateLoadResult unusable(const QString &path)
{
    TapeStateLoadResult result;
    result.setAsidePath = setAside(path);
    result.outcome = result.setAsidePath.isEmpty() ? TapeStateOutcome::Unusable : TapeStateOutcome::SetAside;
    return result;
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

TapeStateLoadResult LoadTapeState(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    // A pipe or a device would make the read wait, or never end.
    if (!info.isFile() || info.size() > kTapeStateLimit)
        return unusable(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unusable(path);
    const QByteArray bytes = file.read(kTapeStateLimit + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kTapeStateLimit)
        return unusable(path);
    file.close();
    const auto state = stateOf(bytes);
    if (!state)
        return unusable(path);
    return {*state, TapeStateOutcome::Restored, {}};
}

bool SaveTapeState(const TapeState &state, const QString &path, QString *reason)
{
    const auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    // A state the next start would set aside is not written: without the history first, then
    // not at all (the old state stays).
    QByteArray bytes = documentOf(state, true);
    if (bytes.size() > kTapeStateLimit)
        bytes = documentOf(state, false);
    if (bytes.size() > kTapeStateLimit)
        return fail(QStringLiteral("the tape is larger than 16 MiB"));

    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("cannot create the folder '%1'").arg(folder));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString why;
    if (!WriteWholeFile(path, bytes, &why))
        return fail(why);
    return true;
}

bool DiscardTapeState(const QString &path)
{
    return !QFileInfo::exists(path) || QFile::remove(path);
}
