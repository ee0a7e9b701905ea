#include "settings.h"

#include <utility>

namespace Settings {

namespace {

QString keyPath()
{
    return QString::fromLatin1(kKey);
}

QString valueName(const Setting &setting)
{
    return QString::fromLatin1(setting.name);
}

// The stored integer with the setting's own mending rule applied.
qint32 readInteger(const Setting &setting, const clsRegistry &store)
{
    bool blnError = false;
    const qint32 lngValue = store.GetLong(HKEY_CURRENT_USER, keyPath(), valueName(setting),
                                          setting.lngDefault, blnError);
    if (blnError)
        return setting.lngDefault;
    if (setting.kind == Kind::Colour && !isColourValue(quint32(lngValue)))
        return setting.lngDefault;
    switch (setting.rule) {
    case Rule::None:
        break;
    case Rule::OutsideRangeReadsAsDefault:
        if (lngValue < setting.minimum || lngValue > setting.maximum)
            return setting.lngDefault;
        break;
    }
    return lngValue;
}

WriteFailureHandler &failureHandler()
{
    static WriteFailureHandler handler;
    return handler;
}

bool g_failureReported = false;

// Passes a write's outcome through, telling the handler about the first failure.
bool reported(bool written, const clsRegistry &store)
{
    if (!written && !g_failureReported && failureHandler()) {
        g_failureReported = true;
        failureHandler()(store.filePath());
    }
    return written;
}

bool writeInteger(const Setting &setting, qint32 lngValue, clsRegistry &store)
{
    return reported(store.SetLong(HKEY_CURRENT_USER, keyPath(), valueName(setting), lngValue), store);
}

} // namespace

bool isColourValue(quint32 ulngColour)
{
    if ((ulngColour & 0xFF000000u) == 0)
        return true;
    const quint32 index = ulngColour & ~0x80000000u;
    return (ulngColour & 0x80000000u) != 0 && index <= 30 && index != 25;
}

WriteFailureHandler setWriteFailureHandler(WriteFailureHandler handler)
{
    g_failureReported = false;
    return std::exchange(failureHandler(), std::move(handler));
}

void Batch::writeBool(const Setting &setting, bool value)
{
    Q_ASSERT(setting.kind == Kind::Boolean);
    m_values.insert(valueName(setting), qint64(value ? -1 : 0));
}

void Batch::writeColour(const Setting &setting, quint32 ulngColour)
{
    Q_ASSERT(setting.kind == Kind::Colour);
    m_values.insert(valueName(setting), qint64(qint32(ulngColour)));
}

void Batch::writeLong(const Setting &setting, qint32 lngValue)
{
    Q_ASSERT(setting.kind == Kind::Integer);
    m_values.insert(valueName(setting), qint64(lngValue));
}

void Batch::writeText(const Setting &setting, const QString &strValue)
{
    Q_ASSERT(setting.kind == Kind::Text);
    m_values.insert(valueName(setting), strValue);
}

bool Batch::commit(clsRegistry &store)
{
    return reported(store.SetValues(HKEY_CURRENT_USER, keyPath(), m_values), store);
}

bool readBool(const Setting &setting, const clsRegistry &store)
{
    Q_ASSERT(setting.kind == Kind::Boolean);
    return readInteger(setting, store) != 0;
}

qint32 readLong(const Setting &setting, const clsRegistry &store)
{
    Q_ASSERT(setting.kind == Kind::Integer);
    return readInteger(setting, store);
}

quint32 readColour(const Setting &setting, const clsRegistry &store)
{
    Q_ASSERT(setting.kind == Kind::Colour);
    return quint32(readInteger(setting, store));
}

QString readText(const Setting &setting, const clsRegistry &store)
{
    Q_ASSERT(setting.kind == Kind::Text);
    bool blnError = false;
    return store.GetString(HKEY_CURRENT_USER, keyPath(), valueName(setting),
                           QString::fromUtf8(setting.strDefault), blnError);
}

bool writeBool(const Setting &setting, bool value, clsRegistry &store)
{
    Q_ASSERT(setting.kind == Kind::Boolean);
    return writeInteger(setting, value ? -1 : 0, store);
}

bool writeLong(const Setting &setting, qint32 lngValue, clsRegistry &store)
{
    Q_ASSERT(setting.kind == Kind::Integer);
    return writeInteger(setting, lngValue, store);
}

bool writeColour(const Setting &setting, quint32 ulngColour, clsRegistry &store)
{
    Q_ASSERT(setting.kind == Kind::Colour);
    return writeInteger(setting, qint32(ulngColour), store);
}

bool writeText(const Setting &setting, const QString &strValue, clsRegistry &store)
{
    Q_ASSERT(setting.kind == Kind::Text);
    const bool written = store.SetString(HKEY_CURRENT_USER, keyPath(), valueName(setting), strValue);
    return reported(written, store);
}

} // namespace Settings
