#include "mainwindowfixture.h"
#include "recipefiles.h"

#include "app/recipedialog.h"
#include "sim/ptyterminal.h"

#include <QtTest>
#include <QtWidgets>

using namespace recipefiles;

namespace {

// The terminal's side on the fake port: every single byte echoed, the fixed-text image kept and
// read back, the version query answered.
struct EchoTerminal {
    FakeSerialPort& port;
    QByteArray eeprom;
    bool storing = false;

    explicit EchoTerminal(FakeSerialPort& p) : port(p) {
        port.onWrite = [this](const QByteArray& b) { written(b); };
    }
    ~EchoTerminal() { port.onWrite = nullptr; }

    void written(const QByteArray& b) {
        if (b == "\x1bR") {
            storing = true;
            eeprom.clear();
        } else if (b == "\x1bW") {
            port.feed(eeprom);
        } else if (b == "\x1b&V") {
            port.feed("1.80B");
        } else if (b.size() == 1 && (storing || !b.startsWith('\0') || !eeprom.endsWith('\0'))) {
            if (storing) eeprom += b;
            storing = storing && !eeprom.endsWith(QByteArray(2, '\0'));
            port.feed(b);
        }
    }
};

void click(MainWindowFixture& f, int tab, const QString& name) {
    f.showTab(tab);
    f.find<QAbstractButton>(name)->click();
}

} // namespace

class TestRecipeWindow : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        dir_ = QDir(tmp_.path());
        QVERIFY(writeAll(dir_));
        QVERIFY(write(dir_.filePath("window.pultino"),
                      "{ \"keyTable\": \"LINIE3.TST\", \"keyboardMode\": 5, \"characters\": "
                      "[\"EURO.CHR\"], \"texts\": \"LINIE3.TXT\" }"));
    }

    // One place per rule: the recipe sends what the single buttons send for the same files, and
    // what was set up by hand, saved as a recipe, sets up a fresh terminal through the tool.
    void sameBytesAsTheButtons() {
        QByteArray applied;
        {
            MainWindowFixture f;
            f.start();
            EchoTerminal t(f.port);
            RecipeDialog* dialog = f.window->recipeDialog();
            f.dialogs.fileNames = {dir_.filePath("window.pultino")};
            dialog->findChild<QPushButton*>("cmdLoadRecipe")->click();
            QVERIFY(dialog->plan());
            const QString shots = qEnvironmentVariable("ZEPTAL_SCREENSHOT_DIR");
            if (!shots.isEmpty()) {
                dialog->show();
                dialog->grab().save(QDir(shots).filePath("recipe-dialog.png"));
            }
            f.port.clearWrites();
            dialog->findChild<QPushButton*>("cmdApplyRecipe")->click();
            applied = f.port.written();
            QVERIFY2(f.dialogs.messages().value(0).contains("vollständig angewendet (4 Schritte)"),
                     qPrintable(f.dialogs.messages().join('|')));
        }
        const QString recipe = dir_.filePath("saved.pultino");
        MainWindowFixture f;
        f.start();
        EchoTerminal t(f.port);
        f.dialogs.fileNames = {dir_.filePath("LINIE3.TST"), dir_.filePath("EURO.CHR"),
                               dir_.filePath("LINIE3.TXT"), recipe};
        click(f, 4, "cmdLoadKbdTabelle");
        click(f, 3, "cmdLoadZeichen");
        click(f, 2, "cmdLoadFT");
        f.port.clearWrites();
        click(f, 4, "cmdSendKbdTable");
        click(f, 4, "optMatrix_5");
        click(f, 4, "cmdSetKbdMode");
        click(f, 3, "cmdSaveUserDefChar");
        click(f, 2, "cmdSendFT");
        QCOMPARE(applied, f.port.written());
        f.window->recipeDialog()->findChild<QPushButton*>("cmdSaveRecipe")->click();
        QVERIFY2(f.dialogs.messages().value(0).startsWith("Rezept gespeichert"),
                 qPrintable(f.dialogs.messages().join('|')));

        PtyTerminal term;
        QString error;
        QVERIFY2(term.start(&error), qPrintable(error));
        const QStringList port{"--port", term.slavePath(), "-q"};
        const CliRun saved = run(dir_, port + QStringList{"apply", recipe});
        QVERIFY2(saved.code == 0, qPrintable(saved.out + saved.err));
        QCOMPARE(term.snapshot().keyTable, kKeys);
        QCOMPARE(term.snapshot().keyboardMode, 5);
        QCOMPARE(term.snapshot().cgram[2].code, 0x41);
        const QStringList verify{"texts", "verify", dir_.filePath("LINIE3.TXT")};
        QCOMPARE(run(dir_, port + verify).out, QStringLiteral("identisch\n"));
    }

    // Escape in the dialog ends the running transfer as everywhere else; the dialog stays open.
    void escapeAbortsTheRun() {
        MainWindowFixture f;
        f.start();
        RecipeDialog* dialog = f.window->recipeDialog();
        dialog->show();
        f.dialogs.fileNames = {dir_.filePath("window.pultino")};
        dialog->findChild<QPushButton*>("cmdLoadRecipe")->click();
        f.port.onWrite = [&](const QByteArray& b) { // a silent terminal; Escape at the first code
            if (b.size() == 1)
                QTimer::singleShot(50, dialog,
                                   [dialog] { QTest::keyClick(dialog, Qt::Key_Escape); });
        };
        dialog->findChild<QPushButton*>("cmdApplyRecipe")->click();
        f.port.onWrite = nullptr;
        QCOMPARE(f.dialogs.messages(),
                 QStringList{"Das Rezept \"window\" wurde bei Schritt 1 von 4 (Tastaturtabelle) "
                             "abgebrochen:\rDie Übertragung wurde abgebrochen.\rNicht ausgeführt: "
                             "Tastaturmodus, Zeichen, Festtexte"});
        QVERIFY(dialog->isVisible());
        QVERIFY(!LinkFlags::instance().abortRequested());
    }

  private:
    QTemporaryDir tmp_;
    QDir dir_;
};

QTEST_MAIN(TestRecipeWindow)
#include "tst_recipe_window.moc"
