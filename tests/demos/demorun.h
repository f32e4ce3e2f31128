#pragma once

#include "demos/demopage.h"
#include "demos/dlganimationrunning.h"

#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

// A click on the option's circle (its right part is no button).
inline void clickOption(DemoPage* page, int index) {
    QRadioButton* option = page->optDemo[index];
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

// Starts demo `index` with a click on its option and, while its stop window shows, calls `step`
// every few milliseconds from inside the demo's loop until it returns true (it must not wait
// itself: the demo moves on only between calls). The click returns when the demo has ended; a
// demo still running after a generous time is stopped, so that a test fails instead of hanging.
inline void runDemo(DemoPage* page, int index, const std::function<bool()>& step) {
    QTimer poll;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, page->stopDialog(), &QWidget::close);
    guard.start(30000);
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (page->stopDialog()->isVisible() && step()) poll.stop();
    });
    poll.start();
    clickOption(page, index);
}
