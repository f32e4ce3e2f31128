#pragma once

#include <QByteArray>
#include <QList>
#include <QWidget>

class QPushButton;

// The terminal's 4 x 8 key matrix. Each button shows the code its key sends (from the key
// table); in the repeat modes a held button repeats, faster for the lower mode numbers.
class KeypadWidget : public QWidget {
    Q_OBJECT
  public:
    explicit KeypadWidget(QWidget* parent = nullptr);

    void setKeyTable(const QByteArray& table);
    void setKeyboardMode(int mode);
    QPushButton* button(int key) const { return buttons_.value(key); }

    // Caption of a key: its code in hex, and the character when it is printable.
    static QString caption(quint8 code);

  signals:
    void keyPressed(int key);

  private:
    QList<QPushButton*> buttons_;
    QByteArray table_;
    int mode_ = -1;
};
