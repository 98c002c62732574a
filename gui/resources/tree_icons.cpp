#include "resources/tree_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>
#include <initializer_list>
#include <vector>

namespace tavrin::gui {

namespace {

enum class Shape {
    Detector,  // a round sensor
    Output,    // a square output device (relay, siren, module)
    Loop,      // a loop: a rounded bar with a line through it
    Key,       // a key
    Folder,    // a group of items
    Panel,     // the panel or console
    Object,    // an object of "Ордис Р7"
    Dot,       // an index no family names: a neutral dot
};

// Colours of the loop groups and of switched-off items.
const QColor kFire(205, 45, 40);
const QColor kSecurity(40, 95, 200);
const QColor kMonitoring(215, 145, 0);
const QColor kControl(125, 60, 170);
const QColor kOff(150, 150, 150);
const QColor kNeutral(70, 120, 120);
const QColor kMixed(0, 140, 140);
const QColor kFolder(225, 185, 70);
const QColor kPanel(80, 90, 110);
const QColor kKeyPlain(120, 100, 60);

struct IconSpec {
    int index;
    Shape shape;
    const char* letters;
    std::vector<QColor> colors;  // one or more: stripes of an object
};

std::vector<IconSpec> k2Specs() {
    std::vector<IconSpec> s = {
        {1, Shape::Detector, "Д", {kFire}},
        {3, Shape::Detector, "Р", {kFire}},
        {5, Shape::Detector, "Т", {kFire}},
        {7, Shape::Detector, "Г", {kFire}},
        {9, Shape::Detector, "ДК", {kMonitoring}},
        {10, Shape::Output, "Т3", {kMixed}},
        {11, Shape::Output, "Т3", {kMonitoring}},
        {12, Shape::Output, "Т3", {kSecurity}},
        {16, Shape::Output, "КМ", {kFire}},
        {17, Shape::Output, "КМ", {kMonitoring}},
        {18, Shape::Output, "КМ", {kSecurity}},
        {20, Shape::Output, "Б", {kSecurity}},
        {21, Shape::Output, "Б", {kFire}},
        {22, Shape::Output, "Б", {kMonitoring}},
        {24, Shape::Output, "У", {kFire}},
        {25, Shape::Output, "М", {kSecurity}},
        {26, Shape::Output, "М", {kFire}},
        {27, Shape::Output, "М", {kMonitoring}},
        {28, Shape::Output, "О", {kSecurity}},
        {29, Shape::Output, "О", {kFire}},
        {30, Shape::Output, "О", {kMonitoring}},
        {31, Shape::Output, "ОВ", {kSecurity}},
        {32, Shape::Output, "ОВ", {kFire}},
        {33, Shape::Output, "ОВ", {kMonitoring}},
        {40, Shape::Loop, "П", {kFire}},
        {41, Shape::Loop, "О", {kSecurity}},
        {42, Shape::Loop, "К", {kMonitoring}},
        {43, Shape::Loop, "У", {kControl}},
        {51, Shape::Key, "", {kFire}},
        {52, Shape::Key, "", {kSecurity}},
        {53, Shape::Key, "", {kMonitoring}},
        {55, Shape::Detector, "Д", {kOff}},
        {57, Shape::Detector, "Р", {kOff}},
        {58, Shape::Detector, "Т", {kOff}},
        {59, Shape::Detector, "Г", {kOff}},
        {60, Shape::Output, "Т3", {kOff}},
        {61, Shape::Detector, "ДК", {kOff}},
        {62, Shape::Output, "КМ", {kOff}},
        {63, Shape::Output, "Б", {kOff}},
        {64, Shape::Output, "У", {kOff}},
        {65, Shape::Output, "М", {kOff}},
        {66, Shape::Output, "О", {kOff}},
        {67, Shape::Output, "ОВ", {kOff}},
        {74, Shape::Loop, "", {kOff}},
        {75, Shape::Key, "", {kKeyPlain}},
        {76, Shape::Panel, "", {kPanel}},
        {77, Shape::Folder, "", {kFolder}},
        {81, Shape::Loop, "У", {kFire, kControl}},
        {82, Shape::Loop, "У", {kSecurity, kControl}},
        {83, Shape::Loop, "У", {kMonitoring, kControl}},
    };
    return s;
}

std::vector<IconSpec> r7Specs() {
    std::vector<IconSpec> s;
    // Detectors: the image, then the image switched off.
    struct Detector {
        int image;
        const char* letters;
    };
    for (const Detector& d : {Detector{0, "Д"}, Detector{2, "Р"}, Detector{4, "Г"},
                              Detector{10, "ИТ"}, Detector{12, "Б"}, Detector{38, "?"}}) {
        s.push_back({d.image, Shape::Detector, d.letters, {kFire}});
        s.push_back({d.image + 1, Shape::Detector, d.letters, {kOff}});
    }
    // Output devices: off or mode not set, another mode, mode 0, mode 1.
    for (const Detector& d :
         {Detector{6, "ТС"}, Detector{14, "Т"}, Detector{18, "КМ"}, Detector{22, "У"},
          Detector{26, "О"}, Detector{30, "ОВ"}, Detector{34, "У4"}}) {
        s.push_back({d.image, Shape::Output, d.letters, {kOff}});
        s.push_back({d.image + 1, Shape::Output, d.letters, {kMonitoring}});
        s.push_back({d.image + 2, Shape::Output, d.letters, {kFire}});
        s.push_back({d.image + 3, Shape::Output, d.letters, {kSecurity}});
    }
    const std::vector<IconSpec> rest = {
        {44, Shape::Object, "", {kMonitoring}},
        {45, Shape::Object, "", {kSecurity}},
        {46, Shape::Object, "", {kFire}},
        {47, Shape::Object, "", {kFire, kSecurity}},
        {48, Shape::Object, "", {kFire, kMonitoring}},
        {49, Shape::Object, "", {kSecurity, kMonitoring}},
        {50, Shape::Object, "", {kFire, kSecurity, kMonitoring}},
        {51, Shape::Key, "", {kKeyPlain}},
        {52, Shape::Key, "", {kSecurity}},
        {74, Shape::Object, "", {kOff}},
        {75, Shape::Key, "", {kNeutral}},
        {76, Shape::Panel, "", {kPanel}},
        {79, Shape::Folder, "", {kFolder}},
    };
    s.insert(s.end(), rest.begin(), rest.end());
    return s;
}

// "Версан С5": the console, its folders and LCPs, objects by the kinds of
// their devices, detectors, executive devices, key readers and keys.
std::vector<IconSpec> s5Specs() {
    return {
        {1, Shape::Detector, "Д", {kFire}},
        {7, Shape::Output, "?", {kNeutral}},
        {8, Shape::Output, "И", {kControl}},
        {18, Shape::Output, "К", {kSecurity}},
        {44, Shape::Object, "", {kMonitoring}},
        {45, Shape::Object, "", {kSecurity}},
        {46, Shape::Object, "", {kFire}},
        {47, Shape::Object, "", {kFire, kSecurity}},
        {48, Shape::Object, "", {kFire, kMonitoring}},
        {49, Shape::Object, "", {kSecurity, kMonitoring}},
        {50, Shape::Object, "", {kFire, kSecurity, kMonitoring}},
        {51, Shape::Key, "", {kKeyPlain}},
        {74, Shape::Object, "", {kOff}},
        {75, Shape::Object, "", {kNeutral}},
        {76, Shape::Panel, "", {kPanel}},
        {77, Shape::Panel, "L", {kMixed}},
        {79, Shape::Folder, "", {kFolder}},
    };
}

constexpr int kSize = 32;

void drawLetters(QPainter& p, const QRectF& r, const char* letters, QColor color) {
    const QString text = QString::fromUtf8(letters);
    if (text.isEmpty()) return;
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(text.size() > 1 ? 12 : 17);
    p.setFont(f);
    p.setPen(color);
    p.drawText(r, Qt::AlignCenter, text);
}

// Fills a shape with vertical stripes of the colours.
void fillStripes(QPainter& p, const QPainterPath& path, const std::vector<QColor>& colors) {
    const QRectF b = path.boundingRect();
    p.save();
    p.setClipPath(path);
    const qreal w = b.width() / static_cast<qreal>(colors.size());
    for (std::size_t i = 0; i < colors.size(); ++i) {
        p.fillRect(QRectF(b.left() + w * static_cast<qreal>(i), b.top(), w + 0.5, b.height()),
                   colors[i]);
    }
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colors.front().darker(160), 1.5));
    p.drawPath(path);
}

QPixmap paint(const IconSpec& spec) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QColor c = spec.colors.front();
    switch (spec.shape) {
        case Shape::Detector: {
            p.setBrush(c);
            p.setPen(QPen(c.darker(160), 1.5));
            p.drawEllipse(QRectF(2.5, 2.5, 27, 27));
            drawLetters(p, QRectF(0, 0, kSize, kSize), spec.letters, Qt::white);
            break;
        }
        case Shape::Output: {
            p.setBrush(c);
            p.setPen(QPen(c.darker(160), 1.5));
            p.drawRoundedRect(QRectF(2.5, 2.5, 27, 27), 4, 4);
            drawLetters(p, QRectF(0, 0, kSize, kSize), spec.letters, Qt::white);
            break;
        }
        case Shape::Loop: {
            QPainterPath path;
            path.addRoundedRect(QRectF(1.5, 7.5, 29, 17), 8, 8);
            fillStripes(p, path, spec.colors);
            p.setPen(QPen(Qt::white, 2));
            if (spec.letters[0] == '\0') {
                p.drawLine(QPointF(6, 16), QPointF(26, 16));
            } else {
                drawLetters(p, QRectF(0, 7, kSize, 18), spec.letters, Qt::white);
            }
            break;
        }
        case Shape::Key: {
            p.setPen(QPen(c.darker(140), 3.5, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(3, 9, 13, 13));
            p.drawLine(QPointF(16, 15.5), QPointF(29, 15.5));
            p.drawLine(QPointF(25, 15.5), QPointF(25, 22));
            p.drawLine(QPointF(21, 15.5), QPointF(21, 20));
            break;
        }
        case Shape::Folder: {
            QPainterPath path;
            path.moveTo(2, 8);
            path.lineTo(12, 8);
            path.lineTo(15, 11);
            path.lineTo(30, 11);
            path.lineTo(30, 27);
            path.lineTo(2, 27);
            path.closeSubpath();
            p.setBrush(c);
            p.setPen(QPen(c.darker(150), 1.5));
            p.drawPath(path);
            break;
        }
        case Shape::Panel: {
            p.setBrush(c);
            p.setPen(QPen(c.darker(150), 1.5));
            p.drawRoundedRect(QRectF(3.5, 2.5, 25, 27), 3, 3);
            p.setBrush(QColor(160, 230, 160));
            p.setPen(Qt::NoPen);
            p.drawRect(QRectF(7, 6, 18, 8));
            p.setBrush(QColor(230, 230, 230));
            for (int i = 0; i < 3; ++i)
                p.drawEllipse(QRectF(7.5 + 6.5 * i, 19, 4, 4));
            break;
        }
        case Shape::Object: {
            QPainterPath path;
            path.moveTo(16, 2);
            path.lineTo(30, 13);
            path.lineTo(27, 13);
            path.lineTo(27, 29);
            path.lineTo(5, 29);
            path.lineTo(5, 13);
            path.lineTo(2, 13);
            path.closeSubpath();
            fillStripes(p, path, spec.colors);
            p.fillRect(QRectF(13, 19, 6, 10), Qt::white);
            break;
        }
        case Shape::Dot: {
            p.setBrush(c);
            p.setPen(QPen(c.darker(150), 1.5));
            p.drawEllipse(QRectF(9.5, 9.5, 13, 13));
            break;
        }
    }
    return pm;
}

struct FamilyIcons {
    std::array<QIcon, kTreeImageCount> icons;
    std::array<bool, kTreeImageCount> defined{};
    QIcon fallback;
};

FamilyIcons makeIcons(std::vector<IconSpec> specs) {
    FamilyIcons out;
    for (const IconSpec& s : specs) {
        if (s.index < 0 || s.index >= kTreeImageCount) continue;
        out.icons[static_cast<std::size_t>(s.index)] = QIcon(paint(s));
        out.defined[static_cast<std::size_t>(s.index)] = true;
    }
    out.fallback = QIcon(paint({0, Shape::Dot, "", {kOff}}));
    for (auto& icon : out.icons) {
        if (icon.isNull()) icon = out.fallback;
    }
    return out;
}

// The picture sets by family; a family without its own set gets dots.
const FamilyIcons& iconsOf(std::optional<Family> family) {
    static const FamilyIcons r7 = makeIcons(r7Specs());
    static const FamilyIcons k2 = makeIcons(k2Specs());
    static const FamilyIcons s5 = makeIcons(s5Specs());
    static const FamilyIcons other = makeIcons({});
    if (family == Family::S5) return s5;
    if (family == Family::R7) return r7;
    if (family == Family::K2) return k2;
    return other;
}

}  // namespace

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
