// The PrintSurface of the list and database printing over a QPainter: a
// printer (a real one behind the print dialog, or a PDF file) or any other
// paint device. Units are the device's pixels; texts are UTF-8.
#pragma once

#include <QFont>
#include <QPainter>

#include "base/seams.h"

class QPagedPaintDevice;

namespace tavrin::gui {

class QtPrintSurface : public PrintSurface {
  public:
    // `painter` is active on `device`; newPage() asks `paged` for a new page
    // when it is given (a printer), and does nothing otherwise.
    QtPrintSurface(QPainter& painter, QPagedPaintDevice* paged);

    int pageWidth() const override;
    int pageHeight() const override;
    int lineHeight() const override;
    int textWidth(const std::string& text) const override;
    void text(int x, int y, const std::string& text) override;
    void line(int x1, int y1, int x2, int y2) override;
    void newPage() override;

    int pages() const { return pages_; }

  private:
    QPainter& painter_;
    QPagedPaintDevice* paged_;
    int pages_ = 1;
};

// The printout font: Arial of 10 points at the device's resolution.
QFont printFont();

}  // namespace tavrin::gui
