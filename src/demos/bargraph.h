#pragma once

#include "demos/democlock.h"
#include "link/operation.h"

#include <functional>

// The bar graph: five user-defined symbols and a bar across the first row, painted from the
// slider's values at most ten times a second. Values that come in while a paint waits replace
// each other; the newest is always painted last.
class clsBargraph {
  public:
    explicit clsBargraph(DemoLink link);

    void Paint(int value);

    int Columns() const { return columns_; }
    void setColumns(int columns);
    int MaxValue() const { return 5 * columns_; }

    // The display's rows at the moment of painting: the value goes on the second row.
    std::function<int()> displayRows;

    // Clears the display, switches the cursor off and defines the five symbols. Ends early on
    // a lost port or an abort().
    OpResult Init();
    // Ends an Init at its next character.
    void abort() { abort_ = true; }

    // Shortest time between the end of one paint and the start of the next.
    static constexpr qint64 kPaintSpacingMs = 100;

  private:
    void DefineChar(int code, int place, quint8 rowByte, OpResult& result);

    DemoLink link_;
    int columns_ = 0;
    bool busy_ = false;
    int pending_ = -1;
    qint64 lastPaint_ = 0;
    bool painted_ = false;
    bool abort_ = false;
};
