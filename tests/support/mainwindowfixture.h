#pragma once

#include "app/mainwindow.h"
#include "core/settings.h"
#include "fakedialogs.h"
#include "link/devicemap.h"
#include "link/fakeserialport.h"
#include "link/flags.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The real main window on a fake port, scripted dialogs and a settings file of its own.
struct MainWindowFixture {
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<DeviceMap> devices;
    FakeSerialPort port;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    int quitCount = 0;

    MainWindowFixture() {
        settings = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("ZEPTAL32.ini")));
        devices = std::make_unique<DeviceMap>(*settings);
        auto& flags = LinkFlags::instance();
        flags.setAbortRequested(false);
        flags.keyCaptureActive = false;
        flags.showReceivedData = true;
    }

    // Builds the window and runs its start-up; stored values can be written before.
    MainWindow& start(SerialPort* on = nullptr) {
        window = std::make_unique<MainWindow>(on ? *on : port, dialogs, *settings, *devices);
        window->quit = [this] { ++quitCount; };
        window->startUp();
        return *window;
    }

    // Builds the window on `on`, shown, with nothing written yet.
    MainWindow& open(SerialPort& on) {
        start(&on).show();
        port.clearWrites();
        return *window;
    }

    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }

    // Worked through the controls as a user would.
    void showTab(int index) { find<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(index); }
    void select(const QString& list, int index) {
        auto* box = find<QComboBox>(list);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    void click(const QString& name) {
        auto* button = find<QAbstractButton>(name);
        QVERIFY2(button && button->isVisible(), qPrintable(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }
};
