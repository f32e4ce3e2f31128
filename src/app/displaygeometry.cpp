#include "app/displaygeometry.h"

#include "control/textoutputpage.h"
#include "core/displaytypes.h"
#include "core/twips.h"
#include "fixedtext/fixedtextpage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
// Width in twips of a line field for `columns` characters.
double lineFieldWidthTwips(int columns) {
    return 6735.0 / 40.0 * columns + 60.0;
}
} // namespace

void applyDisplayGeometry(TextOutputPage& text, FixedTextPage& fixed, int columns, int rows) {
    QGroupBox* frmDisplay = text.frmDisplay;
    QGroupBox* frmFesttext = fixed.frmFesttext;
    for (int i = 0; i < 4; ++i) {
        for (QLineEdit* field : {text.txtOutput[i], fixed.txtFesttext[i]}) {
            field->clear();
            field->setMaxLength(columns);
            field->hide();
        }
    }
    for (int i = 0; i < rows && i < 4; ++i) {
        text.txtOutput[i]->show();
        frmDisplay->resize(frmDisplay->width(), px(twips(text.txtOutput[i]->y()) + 585));
        fixed.txtFesttext[i]->show();
        frmFesttext->resize(frmFesttext->width(), frmDisplay->height());
    }
    const int width = px(lineFieldWidthTwips(columns));
    const QString ruler = rulerText(columns);
    for (int i = 0; i < 4; ++i) {
        text.txtOutput[i]->resize(width, text.txtOutput[i]->height());
        text.txtOutput[i]->setText(ruler);
        fixed.txtFesttext[i]->resize(width, fixed.txtFesttext[i]->height());
    }
    frmDisplay->resize(text.txtOutput[0]->x() + width + px(120), frmDisplay->height());
    frmFesttext->resize(fixed.txtFesttext[0]->x() + width + px(120), frmFesttext->height());

    const int left = frmDisplay->x() + frmDisplay->width() + px(105);
    for (QPushButton* b : {text.cmdSendTextOutput, text.cmdClearDisplay,
                           text.cmtClearTxtOutputFields, text.cmdDefaultTexte})
        b->move(left, b->y());
    fixed.FTUpDown->setGeometry(frmFesttext->x() + frmFesttext->width() + px(105),
                                frmFesttext->y() + px(100), fixed.FTUpDown->width(),
                                frmFesttext->height() - px(100));

    auto fill = [](QComboBox* list, int count) {
        list->clear();
        for (int i = 1; i <= count; ++i)
            list->addItem(QString::number(i));
        list->setCurrentIndex(0);
    };
    fill(text.lstCol, columns);
    fill(text.lstRow, rows);
}
