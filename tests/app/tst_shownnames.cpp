#include "app/about.h"
#include "app/qtdialogs.h"
#include "demos/dlganimationrunning.h"
#include "link/portdialog.h"
#include "mainwindowfixture.h"
#include "sim/simulatorwindow.h"
#include "sim/terminallink.h"
#include "testmode/displaytest.h"
#include "testmode/kbdtest.h"
#include "testmode/progressform.h"
#include "testmode/testmainwindow.h"

#include <QAccessible>
#include <QtTest>
#include <QtWidgets>

namespace {

// The controls of `top` that an assistive tool cannot name by what they are: no caption and no
// accessible name, or a frame not named by its own title (a frame inside a frame takes the outer
// title unless told otherwise). The parts of a list, spinner or tab bar are the control's.
QStringList unnamed(QWidget* top) {
    QStringList found;
    for (QWidget* w : top->findChildren<QWidget*>()) {
        QWidget* parent = w->parentWidget();
        if (w->window() != top || qobject_cast<QScrollBar*>(w) ||
            qobject_cast<QAbstractSpinBox*>(parent) || qobject_cast<QComboBox*>(parent) ||
            qobject_cast<QTabBar*>(parent) ||
            !(qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w) ||
              (w->focusPolicy() & Qt::TabFocus) != 0))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        const QString name = a ? a->text(QAccessible::Name).trimmed() : QString();
        const auto* frame = qobject_cast<QGroupBox*>(w);
        if (frame ? name != frame->title().remove(u'&') : name.isEmpty())
            found << QStringLiteral("%1: %2 %3 \"%4\"")
                         .arg(top->objectName(), QString::fromLatin1(w->metaObject()->className()),
                              w->objectName(), name);
    }
    return found;
}

} // namespace

class TestShownNames : public QObject {
    Q_OBJECT
  private slots:
    void everyControlIsNamed() {
        MainWindowFixture f;
        f.start();
        TerminalLink link;
        AboutBox about(kAppTitle, 2, 2, QString(), f.dialogs);
        about.useRegistry = false;
        about.listPorts = [] { return QList<SystemPort>{}; };
        about.cmdSysInfo->click(); // opens the program's own system information
        PortDialog port(f.port, *f.settings, *f.devices, f.dialogs);
        TestMainWindow test(f.port, f.dialogs, *f.settings, *f.devices);
        ProgressForm progress(f.window->exchange(), f.window->receiver(), f.dialogs, {});
        KbdTest keys(f.window->receiver());
        DisplayTest display(20, 4);
        dlgAnimationRunning demo;
        SimulatorWindow simulator(link, QStringLiteral("/dev/pts/9"));
        QStringList found;
        const QList<QWidget*> windows{
            f.window.get(), &about,   about.findChild<QWidget*>("frmSystemInfo"),
            &port,          &test,    &progress,
            &keys,          &display, &demo,
            &simulator};
        for (QWidget* top : windows)
            found << unnamed(top);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
    }

    // A page's file dialog lists the descriptions as the program words them, each pattern once
    // (the pattern of the characters' list is written in lower case).
    void fileDialogFilters() {
        MainWindowFixture f;
        f.start();
        f.find<QPushButton>(QStringLiteral("cmdLoadZeichen"))->click(); // cancelled
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QtDialogs::prepare(dialog, f.dialogs.shown.last().file, false);
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types && types->count() == 2);
        QCOMPARE(types->itemText(0) + '|' + types->itemText(1),
                 "Zeichendefinition (*.CHR)|Alle Dateien (*.*)");
    }
};

QTEST_MAIN(TestShownNames)
#include "tst_shownnames.moc"
