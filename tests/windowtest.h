#pragma once

#include <frmtallyer.h>
#include <localevalues.h>
#include <mavolabel3d.h>
#include <settings.h>

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

inline void useLocale(const QLocale &locale)
{
    setLocaleSource([locale] { return LocaleSnapshot{locale, true}; });
}

// A press and a release over the push-label, with the pointer kept on it (the label reads it).
inline void clickLabel(MavoLabel3D *label, Qt::MouseButton button = Qt::LeftButton)
{
    const QPoint pos = label->rect().center();
    QCursor::setPos(label->mapToGlobal(pos));
    QTest::mousePress(label, button, {}, pos);
    QTest::mouseRelease(label, button, {}, pos);
}

// The base of the main-window tests: settings and the single-copy channel in temporary folders.
class WindowTest : public QObject
{
protected:
    // For initTestCase: the settings store keeps the folder it finds at its first use.
    bool useTemporaryFolders()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        return m_config.isValid() && m_runtime.isValid();
    }

    // For init: an empty store, with the start-up greeting off (typing during it asks a question);
    // false if the store is not the temporary one.
    bool emptyStore(bool greeting = false)
    {
        const QString store = QDir(m_config.path()).filePath(QStringLiteral("Mavo/Tallyer.json"));
        QFile::remove(store);
        return greeting || (Settings::writeBool(Settings::F1Label, false) && QFile::exists(store));
    }

    // A loaded main window, shown unless told otherwise, with the memory strip unfolded if asked.
    static std::unique_ptr<frmTallyer> openWindow(bool strip = false, bool show = true)
    {
        auto w = std::make_unique<frmTallyer>();
        if (!w->Form_Load())
            return nullptr;
        if (show) {
            w->show();
            if (!QTest::qWaitForWindowExposed(w.get()))
                return nullptr;
        }
        if (strip)
            w->lblMoveSize_MouseUp();
        return w;
    }

    QTemporaryDir m_config;
    QTemporaryDir m_runtime;
};
