#include "windowstate.h"

#include "settings.h"

#include <QCoreApplication>

WindowState WindowState::load(const clsRegistry &store)
{
    WindowState state;
    state.formLeft = Settings::readLong(Settings::FormLeft, store);
    state.formTop = Settings::readLong(Settings::FormTop, store);
    state.memoryString = Settings::readText(Settings::MemoryString, store);
    state.memorySeparators = Settings::readText(Settings::MemorySeparators, store);
    state.greeting = Settings::readBool(Settings::F1Label, store);
    return state;
}

bool WindowState::save(clsRegistry &store) const
{
    Settings::Batch batch;
    batch.writeLong(Settings::FormLeft, formLeft);
    batch.writeLong(Settings::FormTop, formTop);
    batch.writeText(Settings::FullName, QCoreApplication::applicationFilePath());
    batch.writeText(Settings::MemoryString, memoryString);
    batch.writeText(Settings::MemorySeparators, memorySeparators);
    return batch.commit(store);
}
