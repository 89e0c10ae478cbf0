// Draws the icons camview supplies to CamPane:
// ":/Resources/icons/camera/fold.png" (a folded branch, the chevron points
// right) and ":/Resources/icons/camera/unfold.png" (an unfolded branch, the
// chevron points down), at 1x and 2x (name@2x.png).
//
//   camview_drawicons [<icon folder>]

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

const QColor kGrey(120, 121, 123);
const qreal kSize = 16; // logical size in pixels

// A chevron in a kSize square; `down` points it down, else right.
void drawChevron(QPainter& painter, bool down)
{
    QPen pen(kGrey, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    QPainterPath path;
    if (down) {
        path.moveTo(4.5, 6.25);
        path.lineTo(8, 9.75);
        path.lineTo(11.5, 6.25);
    } else {
        path.moveTo(6.25, 4.5);
        path.lineTo(9.75, 8);
        path.lineTo(6.25, 11.5);
    }
    painter.drawPath(path);
}

bool writeIcon(const QDir& dir, const QString& name, bool down)
{
    for (int scale : {1, 2}) {
        QImage image(int(kSize * scale), int(kSize * scale), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        drawChevron(painter, down);
        painter.end();
        const QString file = dir.filePath(scale == 1 ? name + ".png" : name + "@2x.png");
        if (!image.save(file, "png")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return false;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    QDir dir(arguments.size() > 1 ? arguments.at(1) : QStringLiteral(CAMVIEW_ICON_DIR));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }
    return writeIcon(dir, QStringLiteral("fold"), false) && writeIcon(dir, QStringLiteral("unfold"), true)
               ? 0
               : 1;
}
