#include "gui/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace qel {

namespace {

constexpr qreal kPi = 3.14159265358979323846;

const QColor kDiskTop(0x7f, 0xb8, 0xe8);
const QColor kDiskSide(0x2a, 0x6f, 0xb5);
const QColor kDiskEdge(0x16, 0x3f, 0x6b);
const QColor kHandle(0x8a, 0x5a, 0x2b);
const QColor kBristles(0xe8, 0xb9, 0x3c);
const QColor kSparkle(0x3c, 0xb3, 0x5a);

// A database drum: a cylinder of the given number of stacked disks.
void DrawDrum(QPainter& p, const QRectF& box, int disks)
{
    const qreal rimHeight = box.height() * 0.22;
    const qreal bodyTop = box.top() + rimHeight / 2;
    const qreal bodyBottom = box.bottom() - rimHeight / 2;

    QLinearGradient side(box.topLeft(), box.topRight());
    side.setColorAt(0.0, kDiskSide.darker(130));
    side.setColorAt(0.45, kDiskSide.lighter(125));
    side.setColorAt(1.0, kDiskSide.darker(140));

    QPainterPath body;
    body.moveTo(box.left(), bodyTop);
    body.lineTo(box.left(), bodyBottom);
    body.arcTo(QRectF(box.left(), bodyBottom - rimHeight / 2, box.width(), rimHeight), 180, 180);
    body.lineTo(box.right(), bodyTop);
    body.closeSubpath();
    p.setPen(QPen(kDiskEdge, qMax<qreal>(1.0, box.width() / 40)));
    p.setBrush(side);
    p.drawPath(body);

    // The seams between the disks.
    p.setBrush(Qt::NoBrush);
    const qreal step = (bodyBottom - bodyTop) / disks;
    for (int i = 1; i < disks; ++i) {
        const qreal y = bodyTop + step * i;
        p.drawArc(QRectF(box.left(), y - rimHeight / 2, box.width(), rimHeight), 180 * 16, 180 * 16);
    }

    p.setBrush(kDiskTop);
    p.drawEllipse(QRectF(box.left(), box.top(), box.width(), rimHeight));
}

// A broom leaning from the upper right down to the lower left.
void DrawBroom(QPainter& p, const QPointF& top, const QPointF& head, qreal width)
{
    p.setPen(QPen(kHandle, width / 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(top, head);

    const QPointF along = head - top;
    const qreal length = std::hypot(along.x(), along.y());
    const QPointF unit = along / length;
    const QPointF across(-unit.y(), unit.x());

    QPolygonF bristles;
    bristles << head + across * (width * 0.35) << head - across * (width * 0.35)
             << head + unit * width - across * (width * 0.65) << head + unit * width + across * (width * 0.65);
    p.setPen(QPen(kBristles.darker(150), qMax<qreal>(1.0, width / 12)));
    p.setBrush(kBristles);
    p.drawPolygon(bristles);
}

// A four-pointed sparkle.
void DrawSparkle(QPainter& p, const QPointF& centre, qreal radius)
{
    QPolygonF star;
    for (int i = 0; i < 8; ++i) {
        const qreal r = (i % 2 == 0) ? radius : radius * 0.3;
        const qreal angle = i * kPi / 4;
        star << centre + QPointF(r * std::sin(angle), -r * std::cos(angle));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kSparkle);
    p.drawPolygon(star);
}

} // namespace

QPixmap AppIconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    DrawDrum(p, QRectF(s * 0.06, s * 0.18, s * 0.58, s * 0.74), size >= 32 ? 3 : 2);
    DrawBroom(p, QPointF(s * 0.95, s * 0.05), QPointF(s * 0.66, s * 0.62), s * 0.28);
    DrawSparkle(p, QPointF(s * 0.82, s * 0.86), s * 0.13);
    return pixmap;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(AppIconPixmap(size));
    return icon;
}

QPixmap LogoPicture(const QSize& size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();

    QRadialGradient sky(QPointF(w * 0.3, h * 0.25), qMax(w, h));
    sky.setColorAt(0.0, QColor(0xf4, 0xf9, 0xff));
    sky.setColorAt(1.0, QColor(0xc9, 0xde, 0xf2));
    p.fillRect(pixmap.rect(), sky);

    // The floor the drums stand on.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xa9, 0xc3, 0xdc));
    p.drawEllipse(QRectF(w * 0.05, h * 0.80, w * 0.90, h * 0.16));

    DrawDrum(p, QRectF(w * 0.10, h * 0.38, w * 0.20, h * 0.50), 3);
    DrawDrum(p, QRectF(w * 0.34, h * 0.22, w * 0.22, h * 0.66), 4);
    DrawDrum(p, QRectF(w * 0.60, h * 0.46, w * 0.16, h * 0.42), 2);

    const qreal broom = qMin(w, h) * 0.22;
    DrawBroom(p, QPointF(w * 0.95, h * 0.10), QPointF(w * 0.82, h * 0.70), broom);

    // Dust swept off the drums, and what is left shining.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9a, 0x8f, 0x7d, 160));
    const QPointF dust[] = {{0.70, 0.93}, {0.66, 0.90}, {0.74, 0.95}, {0.62, 0.94}, {0.78, 0.92}};
    for (const QPointF& d : dust)
        p.drawEllipse(QPointF(w * d.x(), h * d.y()), broom * 0.06, broom * 0.05);
    DrawSparkle(p, QPointF(w * 0.22, h * 0.22), qMin(w, h) * 0.07);
    DrawSparkle(p, QPointF(w * 0.62, h * 0.14), qMin(w, h) * 0.05);

    p.setPen(QPen(QColor(0x6d, 0x8f, 0xb3), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    return pixmap;
}

} // namespace qel
