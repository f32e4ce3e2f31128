#pragma once

#include "station/station.h"

#include <QWidget>
#include <memory>

class Dialogs;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace station {

// The station for operators without a shell: a recipe, the ports, the report file, the watch
// mode, and a row per port with its state, progress, last result and counts. It runs the same
// Station as zeptal32-cli apply.
class StationWindow : public QWidget {
    Q_OBJECT
  public:
    StationWindow(Dialogs& dialogs, int displayIndex, QWidget* parent = nullptr);
    ~StationWindow() override;

    void setPorts(const QStringList& ports);
    Station* station() const { return station_.get(); }

  private:
    void cmdStart_Click();
    void cmdStop_Click();
    void chooseRecipe();
    void chooseReport();
    void showPort(int index);
    void fillRows();
    void setRunning(bool running);

    Dialogs& dialogs_;
    int displayIndex_;
    QLineEdit* txtRecipe_;
    QLineEdit* txtPorts_;
    QLineEdit* txtReport_;
    QCheckBox* chkWatch_;
    QSpinBox* updRetries_;
    QPushButton* cmdStart_;
    QPushButton* cmdStop_;
    QTableWidget* grdPorts_;
    QLabel* lblStatus_;
    std::unique_ptr<class ReportFile> report_;
    std::unique_ptr<Station> station_;
};

} // namespace station
