#include "app/displaygeometry.h"

#include "core/displaytypes.h"
#include "core/twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

double lineFieldWidthTwips(int columns) {
    return 6735.0 / 40.0 * columns + 60.0;
}

void applyDisplayGeometry(const GeometryTargets& t, int columns, int rows) {
    for (int i = 0; i < 4; ++i) {
        for (QLineEdit* field : {t.txtOutput[i], t.txtFesttext[i]}) {
            if (!field) continue;
            field->clear();
            field->setMaxLength(columns);
            field->hide();
        }
    }
    for (int i = 0; i < rows && i < 4; ++i) {
        if (t.txtOutput[i]) {
            t.txtOutput[i]->show();
            if (t.frmDisplay)
                t.frmDisplay->resize(t.frmDisplay->width(), px(twips(t.txtOutput[i]->y()) + 585));
        }
        if (t.txtFesttext[i]) t.txtFesttext[i]->show();
        if (t.frmFesttext && t.frmDisplay)
            t.frmFesttext->resize(t.frmFesttext->width(), t.frmDisplay->height());
        else if (t.frmFesttext && t.txtFesttext[i])
            t.frmFesttext->resize(t.frmFesttext->width(), px(twips(t.txtFesttext[i]->y()) + 585));
    }
    const int width = px(lineFieldWidthTwips(columns));
    const QString ruler = rulerText(columns);
    for (int i = 0; i < 4; ++i) {
        if (t.txtOutput[i]) {
            t.txtOutput[i]->resize(width, t.txtOutput[i]->height());
            t.txtOutput[i]->setText(ruler);
        }
        if (t.txtFesttext[i]) t.txtFesttext[i]->resize(width, t.txtFesttext[i]->height());
    }
    if (t.frmDisplay && t.txtOutput[0])
        t.frmDisplay->resize(t.txtOutput[0]->x() + width + px(120), t.frmDisplay->height());
    if (t.frmFesttext && t.txtFesttext[0])
        t.frmFesttext->resize(t.txtFesttext[0]->x() + width + px(120), t.frmFesttext->height());

    if (t.frmDisplay) {
        const int left = t.frmDisplay->x() + t.frmDisplay->width() + px(105);
        for (QPushButton* b :
             {t.cmdSendTextOutput, t.cmdClearDisplay, t.cmtClearTxtOutputFields, t.cmdDefaultTexte})
            if (b) b->move(left, b->y());
    }
    if (t.FTUpDown && t.frmFesttext)
        t.FTUpDown->setGeometry(t.frmFesttext->x() + t.frmFesttext->width() + px(105),
                                t.frmFesttext->y() + px(100), t.FTUpDown->width(),
                                t.frmFesttext->height() - px(100));

    auto fill = [](QComboBox* list, int count) {
        if (!list) return;
        list->clear();
        for (int i = 1; i <= count; ++i)
            list->addItem(QString::number(i));
        list->setCurrentIndex(0);
    };
    fill(t.lstCol, columns);
    fill(t.lstRow, rows);
}
