#pragma once

#include <QDir>
#include <QString>
#include <optional>

// Every message box, input box and file dialog goes through this seam, so that tests can
// answer them and see what was shown.
class Dialogs {
  public:
    enum class Buttons { Ok, YesNo, RetryCancel };
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Answer { Ok, Yes, No, Retry, Cancel };

    struct FileDialog {
        QString title;
        QString filter;     // "Name (*.x)|*.x|All (*.*)|*.*"
        QString defaultExt; // ".TXT"
        bool mustExist = false;
        bool confirmOverwrite = false;
    };

    virtual ~Dialogs() = default;

    virtual Answer message(const QString& text, const QString& title, Buttons buttons = Buttons::Ok,
                           Icon icon = Icon::None) = 0;
    // nullopt when cancelled.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& preset) = 0;
    // Empty when cancelled.
    virtual QString openFileName(const FileDialog& dialog) = 0;
    virtual QString saveFileName(const FileDialog& dialog) = 0;
};

// For code with nobody to ask: every question gets the answer that changes nothing, and no file
// is chosen.
class SilentDialogs : public Dialogs {
  public:
    Answer message(const QString&, const QString&, Buttons buttons, Icon) override {
        return buttons == Buttons::YesNo         ? Answer::No
               : buttons == Buttons::RetryCancel ? Answer::Cancel
                                                 : Answer::Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QString openFileName(const FileDialog&) override { return {}; }
    QString saveFileName(const FileDialog&) override { return {}; }
};

// The caption of every message box of the program.
inline const QString kAppTitle = QStringLiteral("ZEPTAL32");

// A file that could not be loaded or saved: `text` holds %1 for the file and %2 for the reason.
inline void showFileFailure(Dialogs& dialogs, const QString& text, const QString& path,
                            const QString& reason) {
    dialogs.message(text.arg(QDir::toNativeSeparators(path), reason), kAppTitle,
                    Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
}
