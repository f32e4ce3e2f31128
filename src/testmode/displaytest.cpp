#include "testmode/displaytest.h"

#include "testmode/testsequence.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int kCellWidth = 10;
constexpr int kCellHeight = 18;
constexpr int kMargin = 8;
} // namespace

QPixmap DisplayTest::picture(int columns, int rows) {
    const QStringList lines = testmode::demoPicture(columns, rows);
    QPixmap pm(qMax(columns, 1) * kCellWidth + 2 * kMargin,
               qMax(rows, 1) * kCellHeight + 2 * kMargin);
    pm.fill(QColor(0x9c, 0xc4, 0x3c));
    QPainter p(&pm);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(kCellHeight - 4);
    font.setBold(true);
    p.setFont(font);
    const QColor ink(0x1c, 0x2c, 0x10);
    p.setPen(ink);
    for (int r = 0; r < lines.size(); ++r)
        for (int c = 0; c < lines[r].size(); ++c)
            p.drawText(
                QRect(kMargin + c * kCellWidth, kMargin + r * kCellHeight, kCellWidth, kCellHeight),
                Qt::AlignCenter, lines[r].mid(c, 1));
    // The cursor: a line under the character at row 0, column 0.
    p.fillRect(QRect(kMargin + 1, kMargin + kCellHeight - 2, kCellWidth - 2, 2), ink);
    return pm;
}

DisplayTest::DisplayTest(int columns, int rows, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDisplayTest"));
    setWindowTitle(QStringLiteral("Display-Testbild"));
    setModal(true);
    auto* label1 = new QLabel(QStringLiteral("Sieht das Display so aus wie das Bild unten?"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->move(12, 10);
    label1->adjustSize();
    const QPixmap pm = picture(columns, rows);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAccessibleName(Image1->objectName());
    Image1->setPixmap(pm);
    Image1->setGeometry(12, 36, pm.width(), pm.height());
    const int width = qMax(pm.width(), label1->width()) + 24;
    const int top = 36 + pm.height() + 12;
    Command1 = new QPushButton(QStringLiteral("Ja"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(width - 200, top, 88, 28);
    Command2 = new QPushButton(QStringLiteral("Nein"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(width - 100, top, 88, 28);
    setFixedSize(width, top + 40);
    connect(Command1, &QPushButton::clicked, this, [this] {
        displayTestOk_ = true;
        accept();
    });
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
}
