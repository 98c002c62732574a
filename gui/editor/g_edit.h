// GEdit: the grid's edit box laid over a value cell. In hexadecimal mode it
// drops at once every typed character that is not a hex digit. Enter ends
// the edit exactly as leaving the cell does (the grid takes the focus back).
#pragma once

#include <QLineEdit>

namespace tavrin::gui {

class GEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit GEdit(QWidget* parent = nullptr);

    void setHexMode(bool on) { hex_ = on; }
    bool hexMode() const { return hex_; }

  signals:
    // Enter or Return was pressed.
    void enterPressed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void dropNonHex();
    bool hex_ = false;
};

}  // namespace tavrin::gui
