#include "fakedialogs.h"

Dialogs::Answer FakeDialogs::message(const QString& text, const QString& title, Buttons buttons,
                                     Icon icon) {
    Shown s{QStringLiteral("message"), text, title, buttons, icon, {}};
    shown.append(s);
    if (onShow) onShow(s);
    return answers.isEmpty() ? Answer::Ok : answers.takeFirst();
}

std::optional<QString> FakeDialogs::inputBox(const QString& prompt, const QString& title,
                                             const QString& preset) {
    Shown s{QStringLiteral("input"), prompt, title, Buttons::Ok, Icon::None, {}};
    s.file.defaultExt = preset;
    shown.append(s);
    if (onShow) onShow(s);
    return inputs.isEmpty() ? std::nullopt : inputs.takeFirst();
}

QString FakeDialogs::openFileName(const FileDialog& dialog) {
    shown.append(
        {QStringLiteral("open"), dialog.title, dialog.title, Buttons::Ok, Icon::None, dialog});
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QString FakeDialogs::saveFileName(const FileDialog& dialog) {
    shown.append(
        {QStringLiteral("save"), dialog.title, dialog.title, Buttons::Ok, Icon::None, dialog});
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QStringList FakeDialogs::messages() const {
    QStringList out;
    for (const auto& s : shown)
        if (s.kind == QLatin1String("message")) out.append(s.text);
    return out;
}
