#include "resources/tree_icons.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <array>

namespace tavrin::gui {

namespace {

// A neutral dot, painted when the scalable pictures cannot be drawn (a
// deployment without the SVG image support): the tree still shows that an
// item has a picture rather than nothing.
QIcon paintedDot() {
    QIcon icon;
    for (const int side : {16, 32}) {
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(side / 32.0, side / 32.0);
        p.setBrush(QColor(150, 150, 150));
        p.setPen(QPen(QColor(100, 100, 100), 1.5));
        p.drawEllipse(QRectF(9.5, 9.5, 13, 13));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

struct FamilyIcons {
    std::array<QIcon, kTreeImageCount> icons;
    std::array<bool, kTreeImageCount> defined{};
    QIcon fallback;
};

// A family's pictures are the files tree/<family>/<index>.svg of the
// resources; an index without a file gets the neutral dot.
FamilyIcons loadIcons(const char* family) {
    FamilyIcons out;
    out.fallback = scalableIcon(QStringLiteral(":/icons/tree/fallback.svg"));
    if (out.fallback.isNull()) out.fallback = paintedDot();
    for (int i = 0; i < kTreeImageCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (family) {
            const QString path = QStringLiteral(":/icons/tree/%1/%2.svg")
                                     .arg(QLatin1String(family))
                                     .arg(i, 2, 10, QLatin1Char('0'));
            if (QFile::exists(path)) {
                out.defined[k] = true;
                out.icons[k] = scalableIcon(path);
            }
        }
        if (out.icons[k].isNull()) out.icons[k] = out.fallback;
    }
    return out;
}

// The picture sets by family; a family without its own set gets dots.
const FamilyIcons& iconsOf(std::optional<Family> family) {
    static const FamilyIcons r7 = loadIcons("r7");
    static const FamilyIcons k2 = loadIcons("k2");
    static const FamilyIcons s5 = loadIcons("s5");
    static const FamilyIcons other = loadIcons(nullptr);
    if (family == Family::S5) return s5;
    if (family == Family::R7) return r7;
    if (family == Family::K2) return k2;
    return other;
}

}  // namespace

QIcon scalableIcon(const QString& path) {
    QIcon icon(path);
    // Without the SVG image support the icon exists but draws nothing.
    if (icon.pixmap(QSize(16, 16)).isNull()) return {};
    return icon;
}

const QIcon& treeIcon(std::optional<Family> family, int image) {
    static const QIcon none;
    if (image < 0) return none;
    const FamilyIcons& icons = iconsOf(family);
    return image < kTreeImageCount ? icons.icons[static_cast<std::size_t>(image)] : icons.fallback;
}

bool treeIconDefined(std::optional<Family> family, int image) {
    if (image < 0 || image >= kTreeImageCount) return false;
    return iconsOf(family).defined[static_cast<std::size_t>(image)];
}

}  // namespace tavrin::gui
