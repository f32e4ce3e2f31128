#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <functional>

// Answers each modal dialog once, as it comes up: `answer` gets the dialog's widget.
struct ModalAnswerer {
    std::function<void(QWidget*)> answer;
    QList<QPointer<QWidget>> seen;
    QTimer timer;

    explicit ModalAnswerer(std::function<void(QWidget*)> a) : answer(std::move(a)) {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || seen.contains(w)) return;
            seen.append(w);
            answer(w);
        });
        timer.start(5);
    }
};
