#include "app/recipedialog.h"

#include "chars/pattern.h"
#include "core/dialogs.h"
#include "core/displaytypes.h"
#include "core/fileio.h"
#include "core/forms.h"
#include "fixedtext/txtfile.h"
#include "keyboard/keytable.h"
#include "link/commandexchange.h"
#include "link/flags.h"
#include "link/pagehost.h"
#include "link/portlost.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {
namespace text {
const auto title = QStringLiteral("Rezepte");
const auto load = QStringLiteral("Rezept laden ...");
const auto apply = QStringLiteral("Rezept anwenden");
const auto save = QStringLiteral("Rezept speichern ...");
const auto close = QStringLiteral("Schließen");
const auto loadTip = QStringLiteral("Klicken Sie hier, um ein Rezept (Display-Typ, "
                                    "Tastaturtabelle, Tastaturmodus, Zeichen, Festtexte, "
                                    "Baudrate) aus einer Datei zu laden und zu prüfen.");
const auto applyTip = QStringLiteral("Klicken Sie hier, um das geladene Rezept Schritt für "
                                     "Schritt im Pultino abzuspeichern.");
const auto saveTip = QStringLiteral("Klicken Sie hier, um die aktuellen Einstellungen aller "
                                    "Seiten als Rezept mit seinen Dateien abzuspeichern.");
const auto none = QStringLiteral("Kein Rezept geladen.");
const auto filter = QStringLiteral("Rezepte (*.pultino)|*.pultino|Alle Dateien (*.*)|*.*");
const auto openTitle = QStringLiteral("Rezept laden");
const auto saveTitle = QStringLiteral("Rezept speichern");
const auto step = QStringLiteral("Rezept: Schritt %1 von %2: %3 %4...");
const auto done = QStringLiteral("Das Rezept \"%1\" wurde vollständig angewendet (%2 Schritte).");
const auto failed = QStringLiteral("Das Rezept \"%1\" wurde bei Schritt %2 von %3 (%4) "
                                   "abgebrochen:\r%5");
const auto notRun = QStringLiteral("Nicht ausgeführt: %1");
const auto aborted = QStringLiteral("Die Übertragung wurde abgebrochen.");
const auto saveFailed = QStringLiteral("Das Rezept kann nicht gespeichert werden:\r%1: %2");
const auto saved = QStringLiteral("Rezept gespeichert: %1\rmit den Dateien %2");
} // namespace text

QString joinNames(const QStringList& names) {
    return names.join(QStringLiteral(", "));
}

} // namespace

RecipeDialog::RecipeDialog(PageHost& host, RecipeWindow window, QWidget* parent)
    : QDialog(parent), host_(host), window_(std::move(window)) {
    setObjectName(QStringLiteral("dlgRezept"));
    setWindowTitle(text::title);
    setFixedSize(460, 260);
    lblRezept = new QLabel(text::none, this);
    lblRezept->setObjectName(QStringLiteral("lblRezept"));
    // Names and paths from a file are never markup.
    lblRezept->setTextFormat(Qt::PlainText);
    lblRezept->setWordWrap(true);
    lblRezept->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblRezept->setFrameShape(QFrame::StyledPanel);
    lblRezept->setGeometry(12, 12, 436, 150);
    prgRezept = new QProgressBar(this);
    prgRezept->setObjectName(QStringLiteral("prgRezept"));
    prgRezept->setGeometry(12, 170, 436, 20);
    prgRezept->hide();
    cmdLoadRecipe =
        forms::button(this, "cmdLoadRecipe", text::load, text::loadTip, {12, 200, 140, 28});
    cmdApplyRecipe =
        forms::button(this, "cmdApplyRecipe", text::apply, text::applyTip, {160, 200, 140, 28});
    cmdSaveRecipe =
        forms::button(this, "cmdSaveRecipe", text::save, text::saveTip, {308, 200, 140, 28});
    cmdCloseRecipe =
        forms::button(this, "cmdCloseRecipe", text::close, QString(), {348, 230, 100, 24});
    cmdApplyRecipe->setEnabled(false);
    connect(cmdLoadRecipe, &QPushButton::clicked, this, &RecipeDialog::cmdLoadRecipeClick);
    connect(cmdApplyRecipe, &QPushButton::clicked, this, &RecipeDialog::cmdApplyRecipeClick);
    connect(cmdSaveRecipe, &QPushButton::clicked, this, &RecipeDialog::cmdSaveRecipeClick);
    connect(cmdCloseRecipe, &QPushButton::clicked, this, &RecipeDialog::reject);
}

void RecipeDialog::reject() {
    if (!running_) {
        QDialog::reject();
        return;
    }
    abortSetHere_ = true;
    LinkFlags::instance().setAbortRequested(true);
}

void RecipeDialog::closeEvent(QCloseEvent* event) {
    if (!running_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    reject();
}

void RecipeDialog::showPlan() {
    if (!plan_) {
        lblRezept->setText(text::none);
        cmdApplyRecipe->setEnabled(false);
        return;
    }
    QStringList lines{QStringLiteral("Rezept \"%1\"").arg(plan_->name),
                      QDir::toNativeSeparators(plan_->path)};
    for (int i = 0; i < plan_->steps.size(); ++i) {
        const recipe::Step& step = plan_->steps[i];
        lines << QStringLiteral("%1. %2 %3 (%4 Bytes)")
                     .arg(i + 1)
                     .arg(step.title, step.detail)
                     .arg(step.bytes);
    }
    lines += plan_->notes;
    lblRezept->setText(lines.join(QLatin1Char('\n')));
    cmdApplyRecipe->setEnabled(!plan_->steps.isEmpty());
}

bool RecipeDialog::reload() {
    const recipe::LoadResult loaded = recipe::loadPlan(path_, window_.displayIndex());
    if (!loaded.plan) {
        plan_.reset();
        showPlan();
        host_.dialogs().message(loaded.error, kAppTitle, Dialogs::Buttons::Ok,
                                Dialogs::Icon::Critical);
        return false;
    }
    plan_ = loaded.plan;
    showPlan();
    return true;
}

void RecipeDialog::cmdLoadRecipeClick() {
    if (running_) return;
    const QString path = host_.dialogs().openFileName(
        {text::openTitle, text::filter, recipe::kExtension, true, false});
    if (path.isEmpty()) return;
    path_ = path;
    reload();
}

void RecipeDialog::cmdApplyRecipeClick() {
    if (running_ || path_.isEmpty() || !reload()) return;
    const recipe::Plan plan = *plan_;
    running_ = true;
    for (QPushButton* button : {cmdLoadRecipe, cmdApplyRecipe, cmdSaveRecipe})
        button->setEnabled(false);
    const qsizetype count = plan.steps.size();
    int failedAt = -1;
    recipe::StepRun failure;
    {
        MonitorOff monitor(host_);
        InputHold held(host_);
        for (int i = 0; i < count && failedAt < 0; ++i) {
            const recipe::Step& step = plan.steps[i];
            StatusScope status(host_,
                               text::step.arg(i + 1).arg(count).arg(step.title, step.detail));
            prgRezept->setRange(0, int(qMax<qsizetype>(1, step.bytes)));
            prgRezept->setValue(0);
            prgRezept->show();
            const recipe::StepRun run = recipe::runPlanStep(
                plan, i, host_.exchange(), throttled([this](qsizetype done, qsizetype total) {
                    prgRezept->setRange(0, int(qMax<qsizetype>(1, total)));
                    prgRezept->setValue(int(done));
                }));
            if (!run.result.ok()) {
                failedAt = i;
                failure = run;
            } else if (step.kind == recipe::StepKind::Display) {
                window_.followDisplay(step.displayIndex);
            } else if (step.kind == recipe::StepKind::Speed) {
                window_.followSpeed(step.speedCode);
            } else if (step.kind == recipe::StepKind::Characters) {
                for (const CharacterDefinition& c : step.characters)
                    window_.characterStored(c);
            }
        }
    }
    prgRezept->hide();
    running_ = false;
    if (abortSetHere_) {
        abortSetHere_ = false;
        LinkFlags::instance().setAbortRequested(false);
    }
    for (QPushButton* button : {cmdLoadRecipe, cmdSaveRecipe})
        button->setEnabled(true);
    showPlan();

    if (failedAt < 0) {
        host_.dialogs().message(text::done.arg(plan.name).arg(count), kAppTitle);
        return;
    }
    QString why = failure.failure;
    if (failure.result.status == OpResult::Status::Aborted)
        why = text::aborted;
    else if (failure.result.status == OpResult::Status::PortLost && why.isEmpty())
        why = portLostCause(host_.port());
    QString message = text::failed.arg(plan.name)
                          .arg(failedAt + 1)
                          .arg(count)
                          .arg(plan.steps[failedAt].title, why);
    QStringList skipped;
    for (int i = failedAt + 1; i < count; ++i)
        skipped << plan.steps[i].title;
    if (!skipped.isEmpty()) message += QLatin1Char('\r') + text::notRun.arg(joinNames(skipped));
    host_.dialogs().message(message, kAppTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

void RecipeDialog::cmdSaveRecipeClick() {
    if (running_) return;
    QString path = host_.dialogs().saveFileName(
        {text::saveTitle, text::filter, recipe::kExtension, false, true});
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += recipe::kExtension;
    const QFileInfo info(path);
    const QDir folder = info.dir();
    const QString base = info.completeBaseName();

    recipe::Contents contents;
    contents.name = base;
    const int displayIndex = window_.displayIndex();
    contents.displayIndex = displayIndex;
    contents.keyboardMode = window_.keyboardMode();
    contents.speedCode = window_.speedCode();
    QStringList written;
    const auto failed = [&](const QString& name, const QString& why) {
        host_.dialogs().message(
            text::saveFailed.arg(QDir::toNativeSeparators(folder.filePath(name)), why), kAppTitle,
            Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
    };

    contents.keyTable = base + QStringLiteral(".TST");
    if (const QString why = fileio::writeFile(folder.filePath(contents.keyTable),
                                              window_.keyCodes().left(kKeyCount));
        !why.isEmpty())
        return failed(contents.keyTable, why);
    written << contents.keyTable;
    for (const auto& [place, definition] : window_.storedCharacters()) {
        const QString name = QStringLiteral("%1_CG%2.CHR").arg(base).arg(place + 1);
        if (const QString why = saveChrFile(folder.filePath(name), definition); !why.isEmpty())
            return failed(name, why);
        contents.characters << name;
        written << name;
    }
    contents.texts = base + QStringLiteral(".TXT");
    const int rows =
        kDisplayTypes[size_t(qBound(0, displayIndex, int(kDisplayTypes.size()) - 1))].rows;
    if (const QString why =
            saveFesttextFile(window_.texts(), folder.filePath(contents.texts), rows);
        !why.isEmpty())
        return failed(contents.texts, why);
    written << contents.texts;
    if (const QString why = fileio::writeFile(path, recipe::recipeDocument(contents));
        !why.isEmpty())
        return failed(info.fileName(), why);
    host_.dialogs().message(text::saved.arg(QDir::toNativeSeparators(path), joinNames(written)),
                            kAppTitle);
}
