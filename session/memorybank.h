#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

struct LocaleValues;

// The ten memory cells M1 ... M10 and which of them is current. A cell is empty (its menu item
// shows the bare name), or holds a value, which may itself be the empty text (the item shows the
// name and a tab). Values are display texts as the result panel showed them ("1,234.50", "- 3",
// "Error"), never numbers, so the menu and the memory panel show them unchanged.
class MemoryBank : public QObject
{
    Q_OBJECT

public:
    static constexpr int kCells = 10;

    enum class Operation { Add, Subtract };

    explicit MemoryBank(QObject *parent = nullptr);

    int current() const { return m_current; } // 1 ... 10
    static QString cellName(int cell);         // "M3"
    // The value as the panel shows it: trimmed of spaces and tabs, empty for an empty cell.
    QString value(int cell) const;
    // The menu caption: the name alone for an empty cell, else the name, a tab and the value.
    QString caption(int cell) const;

    void store(const QString &value); // into the current cell
    void clear();                     // empties the current cell
    void select(int cell);
    void clearAll(); // the current cell stays current
    // Rewrites every value through convert (a change of the locale's separators).
    void convertValues(const std::function<QString(const QString &)> &convert);

    // M+ and M-: memory + result or memory - result, as FormatResult shows it with the given
    // decimals; exactly 0 is the empty text. No value on any failure (a text that does not
    // convert, a value too large to show): the caller reports a memory overflow. Only M+ reads
    // a memory text written with the other decimal symbol. The separators are those of locale.
    static std::optional<QString> combine(Operation operation, const QString &result,
                                          const QString &memory, int decimals,
                                          const LocaleValues &locale);

    // Loads the setting MemoryString (with the MemorySeparators it was saved with). Every cell
    // gets a value, empty ones too. The current cell is restored only when the saved current
    // cell and panel are both non-empty; a name that is no cell then falls back to M1. Returns
    // the panel value when it is restored. The values come back in the separators of locale.
    std::optional<QString> restore(const QString &saved, const QString &separators,
                                   const LocaleValues &locale);
    // The setting MemoryString: the current cell's name, the panel, the ten values (the text
    // after the last tab of the caption, untrimmed; empty for an empty cell), joined by "|".
    QString memoryString(const QString &panel) const;

signals:
    void changed(); // any cell's value, or which cell is current

private:
    std::array<std::optional<QString>, kCells> m_values;
    int m_current = 1;
};
