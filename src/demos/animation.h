#pragma once

#include "demos/democlock.h"
#include "link/operation.h"

#include <functional>

// How a running demo ended.
enum class DemoEnd {
    Stopped,     // the operator ended it
    TooFewRows,  // the animation needs two rows; nothing ran
    PortLost,    // the port went away under it
    NothingToRun // an animation number without pictures
};

// The steaming coffee cup: cup, handle and "Kaffee" on the second row, six steam pictures
// above the cup, four a second, until Abort().
class clsAnimation {
  public:
    explicit clsAnimation(DemoLink link);

    // Ends a running animation (or an Init) at its next check; returns at once.
    void Abort() { abort_ = true; }
    // Runs until Abort(); `started` is called once the cup stands, to show the stop dialog.
    // Leaves the display cleared with the cursor on, except for a display of one row.
    DemoEnd Run(const std::function<void()>& started);

    int Columns() const { return columns_; }
    void setColumns(int columns) { columns_ = columns; }
    int Rows() const { return rows_; }
    void setRows(int rows) { rows_ = rows; }

    // Clears the display and defines the eight characters of `animation`.
    OpResult Init(int animation);

    static constexpr qint64 kFrameMs = 250;

  private:
    void Delay(qint64 ms);
    bool ended() const;

    DemoLink link_;
    int columns_ = 0;
    int rows_ = 0;
    int animation_ = 0;
    bool abort_ = false;
};
