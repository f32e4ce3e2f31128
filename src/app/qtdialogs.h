#pragma once

#include "core/dialogs.h"

class QFileDialog;
class QWidget;

// The real message boxes, input box and file dialogs, parented to the main window.
class QtDialogs : public Dialogs {
  public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    Answer message(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& preset) override;
    QString openFileName(const FileDialog& dialog) override;
    QString saveFileName(const FileDialog& dialog) override;

    // "Name (*.TXT)|*.txt|..." as Qt name filters, each matching its pattern in either case.
    static QStringList nameFilters(const QString& filter);
    // Title, filters, default extension and options of a file dialog about to be shown.
    static void prepare(QFileDialog& fd, const FileDialog& dialog, bool save);

  private:
    QString runFileDialog(const FileDialog& dialog, bool save);
    QWidget* parent_;
};
