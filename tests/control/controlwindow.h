#pragma once

#include "control/devicepanel.h"
#include "control/textoutputpage.h"
#include "mainwindowfixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

// The real main window with the terminal-control pages on their tabs.
struct ControlWindow : MainWindowFixture {
    MainWindow& startWithPages() {
        window = std::make_unique<MainWindow>(port, dialogs, *settings, *devices);
        window->quit = [this] { ++quitCount; };
        // A window that builds these pages itself is used as it is.
        if (!find<QPushButton>(QStringLiteral("cmdSendTextOutput")))
            new TextOutputPage(*window, find<QWidget>(QStringLiteral("Frame1_2")));
        if (!find<QPushButton>(QStringLiteral("cmdGetVersion")))
            new DevicePanel(*window, find<QComboBox>(QStringLiteral("cboBaudrate")),
                            find<QComboBox>(QStringLiteral("cboDisplaytype")),
                            find<QWidget>(QStringLiteral("Frame1_1")));
        window->startUp();
        port.clearWrites();
        return *window;
    }

    void showTab(int index) { find<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(index); }

    void selectDisplayType(int index) {
        find<QComboBox>(QStringLiteral("cboDisplaytype"))->setCurrentIndex(index);
        window->cboDisplaytype_Click();
    }

    void selectSpeed(int index) {
        find<QComboBox>(QStringLiteral("cboBaudrate"))->setCurrentIndex(index);
        window->cboBaudrate_Click();
    }

    void click(const QString& name) {
        auto* button = find<QPushButton>(name);
        QVERIFY2(button, qPrintable(name));
        QVERIFY2(button->isVisible(), qPrintable(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    QLineEdit* line(const QString& name) { return find<QLineEdit>(name); }
};
