#pragma once

#include "testmode/progressform.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

// The operator at the bench: answers each modal dialog once as it comes up, and when the run is
// over reads the rows ("#00ff00 OK") and KbdTestResult and clicks OK.
struct Operator {
    std::function<void(QWidget*)> answer;
    QList<QPointer<QWidget>> seen;
    QPointer<ProgressForm> form;
    QStringList rows;
    QString keysResult;
    // With ZEPTAL_SCREENSHOT_DIR set, the finished run's rows are saved under this name.
    QString picture;
    QTimer timer;

    explicit Operator(std::function<void(QWidget*)> a) : answer(std::move(a)) {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (auto* f = qobject_cast<ProgressForm*>(w ? w->parentWidget() : nullptr)) form = f;
            if (w && !seen.contains(w)) {
                seen.append(w);
                answer(w);
            }
            if (!form || form->CancelCommand->text() != "OK" || !rows.isEmpty()) return;
            for (QLabel* l : form->ResultLabel)
                rows.append(l->palette().color(QPalette::Window).name() + ' ' + l->text());
            keysResult = form->KbdTestResult->text();
            const QString dir = qEnvironmentVariable("ZEPTAL_SCREENSHOT_DIR");
            if (!picture.isEmpty() && !dir.isEmpty())
                form->grab().save(QDir(dir).filePath(picture));
            form->CancelCommand->click();
        });
        timer.start(5);
    }
};

inline void click(QWidget* w, const char* name) {
    w->findChild<QPushButton*>(QString::fromLatin1(name))->click();
}
