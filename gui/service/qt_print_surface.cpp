#include "service/qt_print_surface.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>

namespace tavrin::gui {

QFont printFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    font.setWeight(QFont::Normal);
    return font;
}

QtPrintSurface::QtPrintSurface(QPainter& painter, QPagedPaintDevice* paged)
    : painter_(painter), paged_(paged) {
    QPen pen(Qt::black);
    pen.setWidth(0);
    painter_.setPen(pen);
}

int QtPrintSurface::pageWidth() const {
    return painter_.device()->width();
}

int QtPrintSurface::pageHeight() const {
    return painter_.device()->height();
}

int QtPrintSurface::lineHeight() const {
    return painter_.fontMetrics().height();
}

int QtPrintSurface::textWidth(const std::string& text) const {
    return painter_.fontMetrics().horizontalAdvance(QString::fromStdString(text));
}

void QtPrintSurface::text(int x, int y, const std::string& text) {
    painter_.drawText(x, y + painter_.fontMetrics().ascent(), QString::fromStdString(text));
}

void QtPrintSurface::line(int x1, int y1, int x2, int y2) {
    painter_.drawLine(x1, y1, x2, y2);
}

void QtPrintSurface::newPage() {
    if (paged_) paged_->newPage();
    ++pages_;
}

}  // namespace tavrin::gui
