// Draws the library's embedded icons and writes campane_icons.qrc.
//
//   campane_drawicons [<icon folder>] [--sheet <contact sheet.png>]
//
// Every icon is drawn from vectors at 1x (name.png) and 2x (name@2x.png, which
// Qt picks on high-density screens). Run it by hand after changing a drawing
// and commit the PNG files; the build does not run it.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <QtMath>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// The palette of the panel's style sheets.
const QColor kGreen(75, 210, 149);
const QColor kGreenPale(183, 237, 213); // kGreen at 40 % on white
const QColor kInk(55, 56, 58);          // text colour
const QColor kGrey(120, 121, 123);      // icons at rest
const QColor kTrack(200, 200, 200);     // switch track, off
const QColor kLine(216, 216, 216);      // separators
const QColor kDisabled(204, 204, 204);  // #CCCCCC, disabled borders and text
const QColor kDisabledTrack(232, 232, 232);
const QColor kDisabledOutline(212, 212, 212);
const QColor kWhite(255, 255, 255);

using Draw = std::function<void(QPainter&)>;

struct Icon
{
    QString name; // path below the icon folder, without ".png"
    QSizeF size;  // logical size in pixels
    Draw draw;
};

QPen strokePen(const QColor& color, qreal width)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// A chevron centred on `centre`, `w` wide and `h` high, pointing up or down.
void chevron(QPainter& p, QPointF centre, qreal w, qreal h, bool up, const QColor& color)
{
    const qreal tip = up ? -h / 2 : h / 2;
    QPainterPath path;
    path.moveTo(centre + QPointF(-w / 2, -tip));
    path.lineTo(centre + QPointF(0, tip));
    path.lineTo(centre + QPointF(w / 2, -tip));
    p.setPen(strokePen(color, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

Draw arrowIcon(bool up, QColor color)
{
    return [=](QPainter& p) { chevron(p, QPointF(10, 10), 8, 4.5, up, color); };
}

Draw closeIcon(QColor color, bool filled)
{
    return [=](QPainter& p) {
        qreal arm = 3.5;
        QColor cross = color;
        if (filled) {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawEllipse(QPointF(8, 8), 7, 7);
            cross = kWhite;
            arm = 3;
        }
        p.setPen(strokePen(cross, 1.5));
        p.drawLine(QPointF(8 - arm, 8 - arm), QPointF(8 + arm, 8 + arm));
        p.drawLine(QPointF(8 + arm, 8 - arm), QPointF(8 - arm, 8 + arm));
    };
}

// Corner brackets and a dashed outline around `r`.
void roiFrame(QPainter& p, const QRectF& r, const QColor& color)
{
    QPen dash(color, 1);
    dash.setDashPattern({2, 2});
    dash.setCapStyle(Qt::FlatCap);
    p.setPen(dash);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);

    p.setPen(strokePen(color, 1.5));
    const qreal c = 3.5;
    const QPointF corners[4] = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
    const QPointF dirs[4] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    for (int i = 0; i < 4; ++i) {
        const QPointF k = corners[i];
        p.drawLine(k, k + QPointF(dirs[i].x() * c, 0));
        p.drawLine(k, k + QPointF(0, dirs[i].y() * c));
    }
}

// A region of interest: a framed rectangle with a pointer at its lower right.
Draw selectRoiIcon(QColor color)
{
    return [=](QPainter& p) {
        roiFrame(p, QRectF(2.5, 2.5, 11, 11), color);
        QPainterPath pointer;
        pointer.moveTo(11, 11);
        pointer.lineTo(18.5, 14);
        pointer.lineTo(15.2, 15.2);
        pointer.lineTo(14, 18.5);
        pointer.closeSubpath();
        p.setPen(strokePen(color, 1));
        p.setBrush(color);
        p.drawPath(pointer);
    };
}

// A rotated region of interest: a tilted framed rectangle and a turning arrow.
Draw selectSpinRoiIcon(QColor color)
{
    return [=](QPainter& p) {
        p.save();
        p.translate(9, 9);
        p.rotate(-20);
        roiFrame(p, QRectF(-5, -4, 10, 8), color);
        p.restore();

        // An arc round the lower right with an arrow head at its end.
        const QRectF circle(3, 3, 14.5, 14.5);
        p.setPen(strokePen(color, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawArc(circle, -70 * 16, 80 * 16);
        const qreal end = qDegreesToRadians(10.0);
        const QPointF tip(circle.center().x() + circle.width() / 2 * std::cos(end),
                          circle.center().y() - circle.height() / 2 * std::sin(end));
        QPainterPath head;
        head.moveTo(tip + QPointF(-3, 1.8));
        head.lineTo(tip + QPointF(0.2, -1.2));
        head.lineTo(tip + QPointF(2.6, 2.4));
        p.drawPath(head);
    };
}

// The combo box's drop-down: a separator line and a chevron.
Draw downAndLineIcon(QColor line, QColor color)
{
    return [=](QPainter& p) {
        p.setPen(QPen(line, 1));
        p.drawLine(QPointF(0.5, 6), QPointF(0.5, 20));
        chevron(p, QPointF(8.5, 13), 7, 4, false, color);
    };
}

Draw searchIcon(QColor color)
{
    return [=](QPainter& p) {
        p.setPen(strokePen(color, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(7, 7), 4.75, 4.75);
        p.setPen(strokePen(color, 2));
        p.drawLine(QPointF(10.6, 10.6), QPointF(13.8, 13.8));
    };
}

Draw switchIcon(bool on, QColor track, QColor knob, bool shadow, QColor outline = Qt::transparent)
{
    return [=](QPainter& p) {
        const QRectF body(0.5, 0.5, 43, 19);
        p.setPen(outline.alpha() ? QPen(outline, 1) : QPen(Qt::NoPen));
        p.setBrush(track);
        p.drawRoundedRect(body, 9.5, 9.5);
        p.setPen(Qt::NoPen);
        const QPointF centre(on ? 34 : 10, 10);
        if (shadow) {
            p.setBrush(QColor(0, 0, 0, 40));
            p.drawEllipse(centre + QPointF(0, 0.6), 8, 8);
        }
        p.setBrush(knob);
        p.drawEllipse(centre, 7.5, 7.5);
    };
}

// The level selector's drop-down: a small filled triangle.
Draw pullDownIcon(QColor color)
{
    return [=](QPainter& p) {
        QPainterPath triangle;
        triangle.moveTo(4, 6.5);
        triangle.lineTo(12, 6.5);
        triangle.lineTo(8, 10.5);
        triangle.closeSubpath();
        p.setPen(strokePen(color, 1));
        p.setBrush(color);
        p.drawPath(triangle);
    };
}

std::vector<Icon> icons()
{
    const QSizeF arrow(20, 20), small(16, 16), button(20, 20), drop(16, 26), track(44, 20);
    return {
        {"up/normal", arrow, arrowIcon(true, kGrey)},
        {"up/hover", arrow, arrowIcon(true, kGreen)},
        {"up/disable", arrow, arrowIcon(true, kDisabled)},
        {"down/normal", arrow, arrowIcon(false, kGrey)},
        {"down/hover", arrow, arrowIcon(false, kGreen)},
        {"down/disable", arrow, arrowIcon(false, kDisabled)},
        {"close/normal", small, closeIcon(kGrey, false)},
        {"close/hover", small, closeIcon(kGreen, true)},
        {"close/disable", small, closeIcon(kDisabled, false)},
        {"selectRoi/normal", button, selectRoiIcon(kInk)},
        {"selectRoi/hover", button, selectRoiIcon(kGreen)},
        {"selectRoi/disable", button, selectRoiIcon(kDisabled)},
        {"selectRoi/selected", button, selectRoiIcon(kWhite)},
        {"selectSpinRoi/normal", button, selectSpinRoiIcon(kInk)},
        {"selectSpinRoi/hover", button, selectSpinRoiIcon(kGreen)},
        {"selectSpinRoi/disable", button, selectSpinRoiIcon(kDisabled)},
        {"combobox/downAndLine", drop, downAndLineIcon(kLine, kGrey)},
        {"combobox/downAndLine-hover", drop, downAndLineIcon(kGreen, kGreen)},
        {"combobox/downAndLine-disable", drop, downAndLineIcon(kDisabled, kDisabled)},
        {"search/normal", small, searchIcon(kGrey)},
        {"search/hover", small, searchIcon(kGreen)},
        {"search/disable", small, searchIcon(kDisabled)},
        {"switch/switchON", track, switchIcon(true, kGreen, kWhite, true)},
        {"switch/switchOFF", track, switchIcon(false, kTrack, kWhite, true)},
        {"switch/switchON-disable", track, switchIcon(true, kGreenPale, QColor(250, 250, 250), false)},
        {"switch/switchOFF-disable", track,
         switchIcon(false, kDisabledTrack, QColor(250, 250, 250), false, kDisabledOutline)},
        {"pullDownIcon/normal", small, pullDownIcon(kInk)},
        {"pullDownIcon/hover", small, pullDownIcon(kGreen)},
        {"pullDownIcon/disable", small, pullDownIcon(kDisabled)},
    };
}

QImage render(const Icon& icon, int scale)
{
    QImage image((icon.size * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    icon.draw(p);
    return image;
}

bool writeIcons(const QDir& dir, const std::vector<Icon>& list)
{
    for (const Icon& icon : list) {
        const QString base = dir.filePath(icon.name);
        if (!QDir().mkpath(QFileInfo(base).path()))
            return false;
        if (!render(icon, 1).save(base + ".png") || !render(icon, 2).save(base + "@2x.png")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(base));
            return false;
        }
    }
    QFile qrc(dir.filePath("campane_icons.qrc"));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream out(&qrc);
    out << "<RCC>\n    <qresource prefix=\"/Resources/icon\">\n";
    for (const Icon& icon : list) {
        out << "        <file>" << icon.name << ".png</file>\n";
        out << "        <file>" << icon.name << "@2x.png</file>\n";
    }
    out << "    </qresource>\n</RCC>\n";
    return true;
}

// Every icon at 1x and 2x on white, on the panel grey and on green, magnified
// so that single pixels can be judged (1x four times, 2x twice).
bool writeSheet(const QString& path, const std::vector<Icon>& list)
{
    const int zoom = 4, gap = 8, label = 18;
    const QColor backgrounds[3] = {Qt::white, QColor(225, 225, 225), kGreen};
    int cellWidth = 0, height = gap;
    for (const Icon& icon : list) {
        cellWidth = qMax(cellWidth, int(icon.size.width()) * zoom + gap);
        height += int(icon.size.height()) * zoom + gap + label;
    }
    QImage sheet(6 * (cellWidth + gap) + gap, height, QImage::Format_RGB32);
    sheet.fill(QColor(250, 250, 250));
    QPainter p(&sheet);
    int top = gap;
    for (const Icon& icon : list) {
        const QSize shown = (icon.size * zoom).toSize();
        for (int column = 0; column < 6; ++column) {
            const int scale = column % 2 + 1;
            const QRect box(gap + column * (cellWidth + gap), top, shown.width() + gap, shown.height() + gap);
            p.fillRect(box, backgrounds[column / 2]);
            p.drawImage(QRect(box.topLeft() + QPoint(gap / 2, gap / 2), shown), render(icon, scale));
        }
        top += shown.height() + gap;
        p.setPen(Qt::black);
        p.drawText(QPoint(gap, top + label - 5), icon.name);
        top += label;
    }
    return sheet.save(path);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString sheet;
    const int sheetAt = args.indexOf("--sheet");
    if (sheetAt >= 0 && sheetAt + 1 < args.size()) {
        sheet = args.at(sheetAt + 1);
        args.erase(args.begin() + sheetAt, args.begin() + sheetAt + 2);
    }
    const QDir dir(args.value(0, QStringLiteral(CAMPANE_ICON_DIR)));
    const std::vector<Icon> list = icons();
    if (!writeIcons(dir, list))
        return 1;
    if (!sheet.isEmpty() && !writeSheet(sheet, list))
        return 1;
    std::printf("%d icons written to %s\n", int(list.size()), qPrintable(dir.absolutePath()));
    return 0;
}
