#include "sim/lcdwidget.h"

#include "sim/lcdfont.h"

#include <QPainter>
#include <algorithm>

namespace {

// A cell is 5 dots wide with one dot pitch of gap; rows have one dot pitch of gap as well.
constexpr int kCellDotsX = 6;
constexpr int kCellDotsY = 9;
constexpr int kMarginDots = 3;

const QColor kGlass(0x9c, 0xc4, 0x2c);
const QColor kDotOff(0x8c, 0xb4, 0x24);
const QColor kDotOn(0x1c, 0x2c, 0x10);
const QColor kBezel(0x30, 0x30, 0x30);

// Whether two states show the same dots. Most of what a transfer changes (the fixed-text
// memory, the key table) is not on the glass, and a repaint of a large display is not cheap.
bool looksSame(const TerminalState& a, const TerminalState& b) {
    if (a.columns != b.columns || a.rows != b.rows || a.lines != b.lines ||
        a.cursorOn != b.cursorOn || a.cursorRow != b.cursorRow || a.cursorColumn != b.cursorColumn)
        return false;
    for (size_t p = 0; p < a.cgram.size(); ++p)
        if (a.cgram[p].code != b.cgram[p].code || a.cgram[p].rows != b.cgram[p].rows) return false;
    return true;
}

} // namespace

LcdWidget::LcdWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("lcd"));
    setAccessibleName(QStringLiteral("lcd"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    state_.lines = QList<QByteArray>(state_.rows, QByteArray(state_.columns, ' '));
}

void LcdWidget::setState(const TerminalState& state) {
    const bool resized = state.columns != state_.columns || state.rows != state_.rows;
    const bool same = looksSame(state, state_);
    state_ = state;
    if (resized) updateGeometry();
    if (!same) update();
}

std::array<quint8, 8> LcdWidget::cellRows(quint8 code) const {
    const int place = state_.placeForCode(code);
    return place >= 0 ? state_.cgram[place].rows : lcdGlyph(code);
}

QSize LcdWidget::displaySize(int pitch) const {
    return {(state_.columns * kCellDotsX - 1 + 2 * kMarginDots) * pitch,
            (state_.rows * kCellDotsY - 1 + 2 * kMarginDots) * pitch};
}

QSize LcdWidget::sizeHint() const {
    return displaySize(state_.columns > 24 ? 3 : 4);
}

QSize LcdWidget::minimumSizeHint() const {
    return displaySize(2);
}

int LcdWidget::pitchFor(QSize area) const {
    const QSize one = displaySize(1);
    return std::max(1, std::min(area.width() / one.width(), area.height() / one.height()));
}

void LcdWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kBezel);
    const int pitch = pitchFor(size());
    const QSize size = displaySize(pitch);
    const QPoint origin((width() - size.width()) / 2, (height() - size.height()) / 2);
    p.fillRect(QRect(origin, size), kGlass);

    // Dots keep a small gap so the matrix stays visible, as on the glass.
    const int dot = pitch > 2 ? pitch - 1 : pitch;
    for (int r = 0; r < state_.rows; ++r) {
        const QByteArray line = r < state_.lines.size() ? state_.lines[r] : QByteArray();
        for (int c = 0; c < state_.columns; ++c) {
            const auto code = static_cast<quint8>(c < line.size() ? line[c] : ' ');
            auto rows = cellRows(code);
            if (state_.cursorOn && r == state_.cursorRow && c == state_.cursorColumn)
                rows[7] = 0x1F;
            const int x0 = origin.x() + (kMarginDots + c * kCellDotsX) * pitch;
            const int y0 = origin.y() + (kMarginDots + r * kCellDotsY) * pitch;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 5; ++x) {
                    const bool on = rows[y] & (1 << (4 - x));
                    p.fillRect(x0 + x * pitch, y0 + y * pitch, dot, dot, on ? kDotOn : kDotOff);
                }
        }
    }
}
