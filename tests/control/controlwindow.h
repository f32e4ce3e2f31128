#pragma once

#include "control/devicepanel.h"
#include "control/textoutputpage.h"
#include "mainwindowfixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

// Puts the terminal-control pages on their tabs, unless the window builds them itself.
inline void addControlPages(MainWindow& w) {
    if (!w.findChild<QPushButton*>(QStringLiteral("cmdSendTextOutput")))
        new TextOutputPage(w, w.findChild<QWidget*>(QStringLiteral("Frame1_2")));
    if (!w.findChild<QPushButton*>(QStringLiteral("cmdGetVersion")))
        new DevicePanel(w, w.findChild<QComboBox*>(QStringLiteral("cboBaudrate")),
                        w.findChild<QComboBox*>(QStringLiteral("cboDisplaytype")),
                        w.findChild<QWidget*>(QStringLiteral("Frame1_1")));
}

// The real main window with the terminal-control pages on their tabs.
struct ControlWindow : MainWindowFixture {
    MainWindow& startWithPages() {
        window = std::make_unique<MainWindow>(port, dialogs, *settings, *devices);
        window->quit = [this] { ++quitCount; };
        addControlPages(*window);
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
