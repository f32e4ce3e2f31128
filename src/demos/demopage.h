#pragma once

#include "demos/animation.h"
#include "demos/bargraph.h"
#include "demos/democlock.h"
#include "demos/laufschrift.h"

#include <QWidget>

class PageHost;
class QGroupBox;
class QPlainTextEdit;
class QRadioButton;
class QSlider;
class dlgAnimationRunning;

// The tab "Demonstration": the demo selector, the bar graph's slider and the notes. The
// animation and the marquee run inside the selector's handler until their stop window closes.
class DemoPage : public QWidget {
    Q_OBJECT
  public:
    explicit DemoPage(PageHost& host, QWidget* parent = nullptr);

    // The tab has been opened: the slider covers the bar of the current display.
    void pageShown();

    QRadioButton* optDemo[3];
    QGroupBox* fraBargraph;
    QSlider* sldBargraph;
    QPlainTextEdit* Text1;
    dlgAnimationRunning* stopDialog() const { return dialog_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void optDemo_Click(int index);
    void startBargraph();
    void endBargraph();
    void startAnimation();
    void startLaufschrift();
    void showStopDialog(const QString& caption);
    void closeStopDialog();
    void deselect(int index);
    void reportPortLost();
    int sliderMaximum() const;

    PageHost& host_;
    EventLoopClock clock_;
    clsBargraph bargraph_;
    clsAnimation DemoAnimation;
    clsLaufschrift DemoLaufschrift;
    dlgAnimationRunning* dialog_;
    // The option whose demo runs (or whose bar is shown), -1 for none.
    int current_ = -1;
    bool barActive_ = false;
    bool portOpenAtStart_ = false;
};
