#include "control/textoutputpage.h"

#include "core/forms.h"

#include "control/controllogic.h"
#include "control/controlops.h"
#include "core/commands.h"
#include "core/displaytypes.h"
#include "core/twips.h"
#include "link/pagehost.h"
#include "link/serialport.h"

#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <algorithm>

namespace {

using forms::button;
using forms::kLineHeight;
using forms::kLineLeft;
using forms::kLineStep;
using forms::kLineTop;
using forms::list;

// The operator is told why some characters look different on the terminal.
const char* const kCharsetNote =
    "Die LCD-Displays haben keinen PC-kompatiblen Zeichensatz! Dies bedeutet, daß "
    "bei Zeichen außerhalb des Alphabets auf dem Display andere Zeichen/Symbole "
    "erscheinen können, als hier in den Eingabezeilen eingegeben werden! (Beispiel: "
    "Im ANSI-Zeichensatz unter Windows hat der Umlaut ä die Nr. 228 bzw. E4 hex, auf "
    "dem Display jedoch Nr. 225 bzw. E1 hex.)     Beachten Sie, daß der Zeichensatz "
    "vom Display und nicht vom Pultino abhängt. Im Pultino-Handbuch ist der "
    "Zeichensatz, der auf den meisten Displays verwendet wird, abgedruckt. Zeichen, "
    "die im Display-Zeichensatz nicht definiert sind, können mit dieser Software als "
    "benutzerdefinierte Zeichen erzeugt und im Pultino abgelegt werden. Auf diese "
    "Weise lassen sich dann auch z.B. die großen Umlaute Ä, Ö, Ü auf dem Display "
    "darstellen.";

const char* const kRowTips[4] = {"Erste Displayzeile", "Zweite Displayzeile", "Dritte Displayzeile",
                                 "Vierte Displayzeile"};

// Design measures of the line fields in twips; the geometry code works from the same ones.
constexpr int kFrameLeft = 120;
constexpr int kFrameTop = 600;
constexpr int kFrameBelowLine = 585;
constexpr double kTwipsPerColumn = 6735.0 / 40;

} // namespace

TextOutputPage::TextOutputPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(QStringLiteral("TextOutputPage"));
    resize(625, 340);

    forms::pageTitle(this, "Label5", QStringLiteral("Textausgabe"));

    // Until the geometry code runs, the page shows a 20x4 display.
    const int columns = 20;
    const int lineWidth = px(kTwipsPerColumn * columns + 60);
    frmDisplay = new QGroupBox(QStringLiteral("Display"), this);
    frmDisplay->setObjectName(QStringLiteral("frmDisplay"));
    frmDisplay->setGeometry(px(kFrameLeft), px(kFrameTop), px(kLineLeft) + lineWidth + px(120),
                            px(kLineTop + 3 * kLineStep + kFrameBelowLine));

    // One field shows one display row character for character, so the font has a fixed pitch.
    const QFont font = forms::lineFieldFont();
    for (int i = 0; i < 4; ++i) {
        auto* field = new QLineEdit(frmDisplay);
        const QString name = QStringLiteral("txtOutput_%1").arg(i);
        field->setObjectName(name);
        field->setAccessibleName(name);
        field->setToolTip(QString::fromUtf8(kRowTips[i]));
        field->setFont(font);
        field->setMaxLength(columns);
        field->setGeometry(px(kLineLeft), px(kLineTop + kLineStep * i), lineWidth, px(kLineHeight));
        txtOutput[i] = field;
    }

    const int buttonLeft = frmDisplay->geometry().right() + 1 + px(105);
    cmdSendTextOutput =
        button(this, "cmdSendTextOutput", QStringLiteral("Text Senden"),
               QStringLiteral("Klicken Sie hier, um den Text an das Pultino zu senden."),
               {buttonLeft, 40, 124, 28});
    cmdClearDisplay = button(this, "cmdClearDisplay", QStringLiteral("Display löschen"),
                             QStringLiteral("Klicken Sie hier, um das Display zu löschen."),
                             {buttonLeft, 72, 124, 28});
    cmtClearTxtOutputFields =
        button(this, "cmtClearTxtOutputFields", QStringLiteral("Felder löschen"),
               QStringLiteral("Klicken Sie hier, um die Eingabefelder zu löschen."),
               {buttonLeft, 104, 124, 28});
    cmdDefaultTexte = button(
        this, "cmdDefaultTexte", QStringLiteral("Default-Texte"),
        QStringLiteral("Klicken Sie hier, um die Eingabefelder mit den Vorgabewerten zu belegen."),
        {buttonLeft, 136, 124, 28});

    // Right of the frame at its widest and below the four buttons.
    cmdCursorEin =
        button(this, "cmdCursorEin", QStringLiteral("Cursor EIN"),
               QStringLiteral("Klicken Sie hier, um den Cursor auf dem Display einzuschalten."),
               {484, 170, 136, 25});
    cmdCursorAus =
        button(this, "cmdCursorAus", QStringLiteral("Cursor AUS"),
               QStringLiteral("Klicken Sie hier, um den Cursor auf dem Display auszuschalten."),
               {484, 198, 136, 25});
    cmdCursorSet = button(this, "cmdCursorSet", QStringLiteral("Cursor setzen"),
                          QStringLiteral("Klicken Sie hier, um den Cursor an die unten "
                                         "angegebene Position zu setzen."),
                          {484, 226, 136, 25});
    lstRow = list(this, "lstRow", QStringLiteral("Zeilenposition für Cursor"), {484, 256, 66, 25});
    lstCol = list(this, "lstCol", QStringLiteral("Spaltenposition für Cursor"), {554, 256, 66, 25});

    // Below the frame at its tallest (four rows).
    auto* noteFrame = new QGroupBox(QStringLiteral("Wichtiger Hinweis:"), this);
    noteFrame->setObjectName(QStringLiteral("fraHinweis"));
    noteFrame->setGeometry(8, 202, 468, 136);
    auto* note = new QLabel(QString::fromUtf8(kCharsetNote), noteFrame);
    note->setObjectName(QStringLiteral("Label14"));
    note->setToolTip(QStringLiteral("BITTE HINWEIS LESEN!"));
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note->setGeometry(8, 16, 452, 116);
    // The text is long for its place; the font shrinks until it is shown whole.
    QFont noteFont = note->font();
    for (double points = 8; points > 5; points -= 0.25) {
        noteFont.setPointSizeF(points);
        const QRect needed = QFontMetrics(noteFont).boundingRect(QRect(0, 0, note->width(), 10000),
                                                                 Qt::TextWordWrap, note->text());
        if (needed.height() <= note->height()) break;
    }
    note->setFont(noteFont);

    connect(cmdSendTextOutput, &QPushButton::clicked, this,
            &TextOutputPage::cmdSendTextOutput_Click);
    connect(cmdClearDisplay, &QPushButton::clicked, this, &TextOutputPage::cmdClearDisplay_Click);
    connect(cmdCursorEin, &QPushButton::clicked, this, &TextOutputPage::cmdCursorEin_Click);
    connect(cmdCursorAus, &QPushButton::clicked, this, &TextOutputPage::cmdCursorAus_Click);
    connect(cmdCursorSet, &QPushButton::clicked, this, &TextOutputPage::cmdCursorSet_Click);
    connect(cmdDefaultTexte, &QPushButton::clicked, this, &TextOutputPage::cmdDefaultTexte_Click);
    connect(cmtClearTxtOutputFields, &QPushButton::clicked, this,
            &TextOutputPage::cmtClearTxtOutputFields_Click);
}

void TextOutputPage::cmdSendTextOutput_Click() {
    QStringList fields;
    for (const QLineEdit* field : txtOutput)
        fields.append(field->text());
    const int rows = std::clamp(host_.displayRows(), 0, kMaxRows);
    control::sendTextOutput(host_.port(), fields, rows);
}

void TextOutputPage::cmdClearDisplay_Click() {
    host_.port().write(cmd::clearDisplay());
}

void TextOutputPage::cmdCursorEin_Click() {
    host_.port().write(cmd::cursorOn());
}

void TextOutputPage::cmdCursorAus_Click() {
    host_.port().write(cmd::cursorOff());
}

void TextOutputPage::cmdCursorSet_Click() {
    // An empty list would give the byte 255; the first row or column is the sound reading.
    const int row = std::max(0, lstRow->currentIndex());
    const int col = std::max(0, lstCol->currentIndex());
    host_.port().write(control::cursorSetBytes(row, col));
}

void TextOutputPage::cmdDefaultTexte_Click() {
    host_.reapplyDisplayType();
}

void TextOutputPage::cmtClearTxtOutputFields_Click() {
    for (QLineEdit* field : txtOutput)
        field->clear();
}
