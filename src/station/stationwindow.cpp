#include "station/stationwindow.h"

#include "core/dialogs.h"
#include "recipe/recipe.h"
#include "station/ports.h"
#include "station/recipejob.h"
#include "station/report.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace station {

namespace {

enum Column { kPort, kState, kProgress, kLast, kGood, kFailed, kColumns };

QLabel* plainLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QWidget* withButton(QLineEdit* edit, QPushButton* button) {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(edit, 1);
    row->addWidget(button);
    return box;
}

} // namespace

StationWindow::StationWindow(Dialogs& dialogs, int displayIndex, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), displayIndex_(displayIndex) {
    setObjectName(QStringLiteral("frmStation"));
    setWindowTitle(QStringLiteral("ZEPTAL32 Station"));
    txtRecipe_ = new QLineEdit(this);
    txtRecipe_->setObjectName(QStringLiteral("txtRecipe"));
    txtPorts_ = new QLineEdit(this);
    txtPorts_->setObjectName(QStringLiteral("txtPorts"));
    txtPorts_->setPlaceholderText(QStringLiteral("/dev/ttyUSB0 /dev/ttyUSB1 oder /dev/ttyUSB*"));
    txtReport_ = new QLineEdit(this);
    txtReport_->setObjectName(QStringLiteral("txtReport"));
    txtReport_->setPlaceholderText(QStringLiteral("kein Protokoll (.jsonl oder .csv)"));
    auto* cmdRecipe = new QPushButton(QStringLiteral("Rezept ..."), this);
    cmdRecipe->setObjectName(QStringLiteral("cmdRecipe"));
    auto* cmdReport = new QPushButton(QStringLiteral("Protokoll ..."), this);
    cmdReport->setObjectName(QStringLiteral("cmdReport"));
    chkWatch_ = new QCheckBox(
        QStringLiteral("Stationsbetrieb: jedes angesteckte Pultino programmieren"), this);
    chkWatch_->setObjectName(QStringLiteral("chkWatch"));
    updRetries_ = new QSpinBox(this);
    updRetries_->setObjectName(QStringLiteral("updRetries"));
    updRetries_->setRange(0, 100);
    cmdStart_ = new QPushButton(QStringLiteral("Start"), this);
    cmdStart_->setObjectName(QStringLiteral("cmdStart"));
    cmdStop_ = new QPushButton(QStringLiteral("Stopp"), this);
    cmdStop_->setObjectName(QStringLiteral("cmdStop"));
    cmdStop_->setEnabled(false);
    grdPorts_ = new QTableWidget(0, kColumns, this);
    grdPorts_->setObjectName(QStringLiteral("grdPorts"));
    grdPorts_->setHorizontalHeaderLabels(
        {QStringLiteral("Schnittstelle"), QStringLiteral("Zustand"), QStringLiteral("Fortschritt"),
         QStringLiteral("Letztes Ergebnis"), QStringLiteral("Gut"), QStringLiteral("Fehlerhaft")});
    grdPorts_->horizontalHeader()->setSectionResizeMode(kLast, QHeaderView::Stretch);
    grdPorts_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdPorts_->verticalHeader()->hide();
    lblStatus_ = plainLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Rezept:"), withButton(txtRecipe_, cmdRecipe));
    form->addRow(QStringLiteral("Schnittstellen:"), txtPorts_);
    form->addRow(QStringLiteral("Protokoll:"), withButton(txtReport_, cmdReport));
    form->addRow(QStringLiteral("Wiederholungen:"), updRetries_);
    form->addRow(QString(), chkWatch_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdStart_);
    buttons->addWidget(cmdStop_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(grdPorts_, 1);
    layout->addWidget(lblStatus_);
    resize(820, 420);

    connect(cmdRecipe, &QPushButton::clicked, this, &StationWindow::chooseRecipe);
    connect(cmdReport, &QPushButton::clicked, this, &StationWindow::chooseReport);
    connect(cmdStart_, &QPushButton::clicked, this, &StationWindow::cmdStart_Click);
    connect(cmdStop_, &QPushButton::clicked, this, &StationWindow::cmdStop_Click);
}

StationWindow::~StationWindow() {
    if (station_) station_->stop();
    station_.reset();
}

void StationWindow::setPorts(const QStringList& ports) {
    txtPorts_->setText(ports.join(QLatin1Char(' ')));
}

void StationWindow::chooseRecipe() {
    const QString path = dialogs_.openFileName(
        {QStringLiteral("Rezept öffnen"),
         QStringLiteral("Rezepte (*.pultino)|*.pultino|Alle Dateien (*.*)|*.*"),
         QStringLiteral(".pultino"), true, false});
    if (!path.isEmpty()) txtRecipe_->setText(path);
}

void StationWindow::chooseReport() {
    const QString path =
        dialogs_.saveFileName({QStringLiteral("Protokoll"),
                               QStringLiteral("JSON Lines (*.jsonl)|*.jsonl|CSV (*.csv)|*.csv"),
                               QStringLiteral(".jsonl"), false, false});
    if (!path.isEmpty()) txtReport_->setText(path);
}

void StationWindow::setRunning(bool running) {
    cmdStart_->setEnabled(!running);
    cmdStop_->setEnabled(running);
    for (QWidget* w :
         std::initializer_list<QWidget*>{txtRecipe_, txtPorts_, txtReport_, chkWatch_, updRetries_})
        w->setEnabled(!running);
}

void StationWindow::cmdStart_Click() {
    if (station_ && station_->running()) return;
    const recipe::LoadResult loaded = recipe::loadPlan(txtRecipe_->text().trimmed(), displayIndex_);
    if (!loaded.plan) {
        dialogs_.message(loaded.error, kAppTitle);
        return;
    }
    QStringList ports;
    QStringList patterns;
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    for (const QString& word : txtPorts_->text().split(separators, Qt::SkipEmptyParts))
        (word.contains(QLatin1Char('*')) || word.contains(QLatin1Char('?')) ? patterns : ports)
            .append(word);
    QString why;
    QList<PortTarget> targets = collectPorts(ports, patterns, &why);
    if (targets.isEmpty()) {
        dialogs_.message(why.isEmpty() ? QStringLiteral("Bitte mindestens eine Schnittstelle "
                                                        "angeben.")
                                       : why,
                         kAppTitle);
        return;
    }
    report_ = std::make_unique<ReportFile>();
    if (const QString path = txtReport_->text().trimmed(); !path.isEmpty()) {
        why = report_->open(path);
        if (!why.isEmpty()) {
            dialogs_.message(why, kAppTitle);
            return;
        }
    }
    Station::Options options;
    options.retries = updRetries_->value();
    options.watch = chkWatch_->isChecked();
    station_ = std::make_unique<Station>(jobFromPlan(*loaded.plan), targets, options);
    station_->writeRecord = [this](const TerminalRecord& r) { return report_->append(r); };
    connect(station_.get(), &Station::portChanged, this, &StationWindow::showPort);
    connect(station_.get(), &Station::reportFailed, this,
            [this](const QString& text) { lblStatus_->setText(text); });
    connect(station_.get(), &Station::finished, this, [this] {
        setRunning(false);
        int good = 0;
        int failed = 0;
        for (const PortView& v : station_->ports()) {
            good += v.good;
            failed += v.failed;
        }
        lblStatus_->setText(QStringLiteral("Beendet: gut %1, fehlerhaft %2").arg(good).arg(failed));
    });
    fillRows();
    setRunning(true);
    lblStatus_->setText(QStringLiteral("Rezept \"%1\" läuft").arg(loaded.plan->name));
    station_->start();
}

void StationWindow::cmdStop_Click() {
    if (station_) station_->stop();
}

void StationWindow::fillRows() {
    grdPorts_->setRowCount(int(station_->ports().size()));
    for (int i = 0; i < station_->ports().size(); ++i) {
        for (int c = 0; c < kColumns; ++c)
            if (c != kProgress) grdPorts_->setItem(i, c, new QTableWidgetItem);
        auto* bar = new QProgressBar;
        bar->setObjectName(QStringLiteral("prgPort_%1").arg(i));
        grdPorts_->setCellWidget(i, kProgress, bar);
        showPort(i);
    }
    grdPorts_->resizeColumnToContents(kPort);
}

void StationWindow::showPort(int index) {
    const PortView& v = station_->ports()[index];
    // Item texts are never read as markup, so device names and step titles stay plain.
    grdPorts_->item(index, kPort)->setText(v.port.shown);
    QString state = stateText(v.state);
    if (v.state == PortState::Running) {
        state = v.stepTitle(station_->job());
        if (v.attempt > 1) state += QStringLiteral(" (Versuch %1)").arg(v.attempt);
    }
    grdPorts_->item(index, kState)->setText(state);
    auto* bar = static_cast<QProgressBar*>(grdPorts_->cellWidget(index, kProgress));
    bar->setMaximum(int(qMax<qsizetype>(1, v.total)));
    bar->setValue(int(qMin(v.done, v.total)));
    if (v.last) {
        QString last = outcomeText(v.last->outcome);
        if (v.last->failedStep >= 0)
            last += QStringLiteral(" (%1, Offset %2)")
                        .arg(v.last->failedStepTitle())
                        .arg(v.last->offset);
        if (!v.last->firmware.isEmpty()) last += QStringLiteral(", Version ") + v.last->firmware;
        grdPorts_->item(index, kLast)->setText(last);
    }
    grdPorts_->item(index, kGood)->setText(QString::number(v.good));
    grdPorts_->item(index, kFailed)->setText(QString::number(v.failed));
}

} // namespace station
