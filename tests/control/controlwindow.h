#pragma once

#include "mainwindowfixture.h"

#include <QComboBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

// The real main window, shown, worked through its controls as a user would.
struct ControlWindow : MainWindowFixture {
    MainWindow& open(SerialPort& on) {
        window = std::make_unique<MainWindow>(on, dialogs, *settings, *devices);
        window->quit = [] {};
        window->startUp();
        window->show();
        port.clearWrites();
        return *window;
    }

    void showTab(int index) { find<QTabBar>(QStringLiteral("TabStrip1"))->setCurrentIndex(index); }

    void select(const QString& list, int index) {
        auto* box = find<QComboBox>(list);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    void click(const QString& name) {
        auto* button = find<QPushButton>(name);
        QVERIFY2(button && button->isVisible(), qPrintable(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }
};
