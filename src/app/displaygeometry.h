#pragma once

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QWidget;

// The controls that follow the display geometry: the output lines with their frame and the
// buttons beside it, the fixed-text lines with their frame and up-down, the cursor lists.
struct GeometryTargets {
    QLineEdit* txtOutput[4] = {};
    QGroupBox* frmDisplay = nullptr;
    QPushButton* cmdSendTextOutput = nullptr;
    QPushButton* cmdClearDisplay = nullptr;
    QPushButton* cmtClearTxtOutputFields = nullptr;
    QPushButton* cmdDefaultTexte = nullptr;
    QLineEdit* txtFesttext[4] = {};
    QGroupBox* frmFesttext = nullptr;
    QWidget* FTUpDown = nullptr;
    QComboBox* lstCol = nullptr;
    QComboBox* lstRow = nullptr;
};

// Sizes, fills and shows the controls for a display of `columns` × `rows` (measures in twips,
// converted at 15 twips per pixel). Missing controls are passed over.
void applyDisplayGeometry(const GeometryTargets& t, int columns, int rows);

// Width in twips of a line field for `columns` characters.
double lineFieldWidthTwips(int columns);
