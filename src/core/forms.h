#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

// Building blocks of the pages, which are laid out in fixed positions measured in twips.
// For widget code only; the logic libraries do not link this.
namespace forms {

QRect twipsRect(double left, double top, double width, double height);

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& tip,
                    const QRect& geometry);
QGroupBox* frame(QWidget* parent, const char* name, const QString& caption, const QRect& geometry);
// Lists have no caption of their own: the name is also the accessible name.
QComboBox* list(QWidget* parent, const char* name, const QString& tip, const QRect& geometry);

// Controls without a caption of their own are found by their name, also by assistive tools.
void nameUncaptioned(QWidget* w, const QString& name);

// The bold title in the top left corner of a page.
QLabel* pageTitle(QWidget* page, const char* name, const QString& text);
// The same, unless the tab page the page sits on carries that title already.
void pageTitleUnlessPresent(QWidget* page, const char* name, const QString& text);

// Design measures of the display line fields (text output and fixed-text editor), in twips
// inside their frame.
inline constexpr int kLineLeft = 120;
inline constexpr int kLineTop = 330;
inline constexpr int kLineStep = 480;
inline constexpr int kLineHeight = 420;

// Courier New bold 14.25 pt where it fits: a line field holds 168.375 twips a character, and a
// substitute fixed-pitch font may be wider, so the size comes down until 40 characters fit.
QFont lineFieldFont();

} // namespace forms
