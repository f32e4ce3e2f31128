#include "app/qtdialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

// Message texts separate their lines with a bare carriage return.
QString displayText(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

Dialogs::Answer QtDialogs::message(const QString& text, const QString& title, Buttons buttons,
                                   Icon icon) {
    QMessageBox box(parent_);
    box.setWindowTitle(title);
    box.setText(displayText(text));
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return Answer::Ok;
    }
}

std::optional<QString> QtDialogs::inputBox(const QString& prompt, const QString& title,
                                           const QString& preset) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent_, title, displayText(prompt), QLineEdit::Normal, preset, &ok);
    if (!ok) return std::nullopt;
    return text;
}

QStringList QtDialogs::nameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << p.trimmed();
            if (p.toUpper() != p.toLower())
                patterns << p.trimmed().toUpper() << p.trimmed().toLower();
        }
        patterns.removeDuplicates();
        out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

void QtDialogs::prepare(QFileDialog& fd, const FileDialog& dialog, bool save) {
    fd.setWindowTitle(dialog.title);
    // The descriptions carry their pattern already ("Tastaturtabelle (*.TST)"); the list the
    // dialog adds for matching in either case is not shown a second time. Set before the
    // filters, which are shown as they are at that moment.
    fd.setOption(QFileDialog::HideNameFilterDetails);
    fd.setNameFilters(nameFilters(dialog.filter));
    QString ext = dialog.defaultExt;
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    fd.setDefaultSuffix(ext);
    if (save) {
        fd.setAcceptMode(QFileDialog::AcceptSave);
        fd.setFileMode(QFileDialog::AnyFile);
        fd.setOption(QFileDialog::DontConfirmOverwrite, !dialog.confirmOverwrite);
    } else {
        fd.setAcceptMode(QFileDialog::AcceptOpen);
        fd.setFileMode(dialog.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
}

QString QtDialogs::runFileDialog(const FileDialog& dialog, bool save) {
    QFileDialog fd(parent_);
    prepare(fd, dialog, save);
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty()) return {};
    return fd.selectedFiles().first();
}

QString QtDialogs::openFileName(const FileDialog& dialog) {
    return runFileDialog(dialog, false);
}
QString QtDialogs::saveFileName(const FileDialog& dialog) {
    return runFileDialog(dialog, true);
}
