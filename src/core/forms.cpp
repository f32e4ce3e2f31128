#include "core/forms.h"

#include "core/displaytypes.h"
#include "core/twips.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace forms {

QRect twipsRect(double left, double top, double width, double height) {
    return QRect(px(left), px(top), px(width), px(height));
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& tip,
                    const QRect& geometry) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    b->setGeometry(geometry);
    return b;
}

QGroupBox* frame(QWidget* parent, const char* name, const QString& caption, const QRect& geometry) {
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(QLatin1String(name));
    // Without it, a frame inside a frame is announced by the title of the outer one.
    f->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    f->setGeometry(geometry);
    return f;
}

QComboBox* list(QWidget* parent, const char* name, const QString& tip, const QRect& geometry) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setAccessibleName(QLatin1String(name));
    c->setToolTip(tip);
    c->setGeometry(geometry);
    return c;
}

void nameUncaptioned(QWidget* w, const QString& name) {
    w->setObjectName(name);
    w->setAccessibleName(name);
}

QLabel* pageTitle(QWidget* page, const char* name, const QString& text) {
    auto* title = new QLabel(text, page);
    title->setObjectName(QLatin1String(name));
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    title->setFont(font);
    title->setGeometry(QRect(10, 4, 400, 22));
    return title;
}

void pageTitleUnlessPresent(QWidget* page, const char* name, const QString& text) {
    QWidget* tab = page->parentWidget();
    if (tab && tab->findChild<QLabel*>(QLatin1String(name), Qt::FindDirectChildrenOnly)) return;
    pageTitle(page, name, text);
}

QFont lineFieldFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    constexpr int kFrameAndMargins = 10; // frame, inner margins and caret of a line edit
    const int fieldWidth = px(6735.0 / 40.0 * kMaxColumns + 60.0);
    for (double size = 14.25; size >= 8; size -= 0.25) {
        font.setPointSizeF(size);
        if (QFontMetricsF(font).horizontalAdvance(QString(kMaxColumns, QLatin1Char('W'))) <=
            fieldWidth - kFrameAndMargins)
            break;
    }
    return font;
}

} // namespace forms
