#pragma once

#include "demos/animation.h"

#include <QString>

// The marquee: a text moving along the first row from the left edge to the right, five steps a
// second, then again from the left, until Abort(). Needs no user-defined characters.
class clsLaufschrift {
  public:
    explicit clsLaufschrift(DemoLink link);

    void Abort() { abort_ = true; }
    // Runs until Abort(); `started` is called once, to show the stop dialog. Leaves the display
    // cleared with the cursor on.
    DemoEnd Run(const std::function<void()>& started);

    int Columns() const { return columns_; }
    void setColumns(int columns) { columns_ = columns; }
    int Rows() const { return rows_; }
    void setRows(int rows) { rows_ = rows; }
    QString Text() const { return text_; }
    void setText(const QString& text) { text_ = text; }

    // Text "Text" and a cleared display.
    void Init();

    static constexpr qint64 kStepMs = 200;

  private:
    bool ended() const;

    DemoLink link_;
    int columns_ = 0;
    int rows_ = 0;
    QString text_;
    bool abort_ = false;
};
