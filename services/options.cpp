#include "options.h"

#include "settings.h"

Options Options::load(const clsRegistry &store)
{
    Options options;
    options.alwaysOnTop = Settings::readBool(Settings::AlwaysOnTop, store);
    options.manyCopies = Settings::readBool(Settings::Available2, store);
    options.keepTape = Settings::readBool(Settings::KeepTape, store);
    options.roundTo = Settings::readLong(Settings::RoundTo, store);
    options.minRows = Settings::readLong(Settings::MinRows, store);
    options.maxRows = Settings::readLong(Settings::MaxRows, store);
    // The options dialog keeps the least rows at or below the most.
    if (options.minRows > options.maxRows)
        options.minRows = Settings::MinRows.lngDefault;
    options.inWordsFile = Settings::readText(Settings::InWordsFile, store);
    udtAppearance &look = options.appearance;
    look.FontName = Settings::readText(Settings::FontName, store);
    look.FontSize = Settings::readLong(Settings::FontSize, store);
    look.FontBold = Settings::readBool(Settings::FontBold, store);
    look.FontItalic = Settings::readBool(Settings::FontItalic, store);
    look.FontColor = Settings::readColour(Settings::FontColor, store);
    look.BackColor = Settings::readColour(Settings::BackColor, store);
    look.ColorsCustom = Settings::readText(Settings::ColorsCustom, store).replace(u'|', QChar(0));
    return options;
}

bool Options::save(clsRegistry &store) const
{
    Settings::Batch batch;
    batch.writeBool(Settings::AlwaysOnTop, alwaysOnTop);
    batch.writeBool(Settings::Available2, manyCopies);
    batch.writeBool(Settings::KeepTape, keepTape);
    batch.writeLong(Settings::RoundTo, roundTo);
    batch.writeLong(Settings::MinRows, minRows);
    batch.writeLong(Settings::MaxRows, maxRows);
    batch.writeText(Settings::InWordsFile, inWordsFile);
    batch.writeText(Settings::FontName, appearance.FontName);
    batch.writeLong(Settings::FontSize, appearance.FontSize);
    batch.writeBool(Settings::FontBold, appearance.FontBold);
    batch.writeBool(Settings::FontItalic, appearance.FontItalic);
    batch.writeColour(Settings::FontColor, appearance.FontColor);
    batch.writeColour(Settings::BackColor, appearance.BackColor);
    batch.writeText(Settings::ColorsCustom, QString(appearance.ColorsCustom).replace(QChar(0), u'|'));
    return batch.commit(store);
}
