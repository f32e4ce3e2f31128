#pragma once

#include "core/dialogs.h"

#include <QList>
#include <QStringList>
#include <functional>

// Records every dialog shown and answers from queues; an empty queue answers OK / cancel.
class FakeDialogs : public Dialogs {
  public:
    struct Shown {
        QString kind; // "message", "input", "open", "save"
        QString text; // message text, prompt or dialog title
        QString title;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        FileDialog file;
    };

    Answer message(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& preset) override;
    QString openFileName(const FileDialog& dialog) override;
    QString saveFileName(const FileDialog& dialog) override;

    QList<Shown> shown;
    QList<Answer> answers;
    QList<std::optional<QString>> inputs;
    QStringList fileNames; // "" answers cancel
    // Runs while a message box is "open", e.g. to look at the window in that moment.
    std::function<void(const Shown&)> onShow;

    QStringList messages() const;
    void clear() { shown.clear(); }
};
