// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/map/MapPicture_p.h"

namespace skyvane {
namespace {

constexpr double DegreesPerRadian = 180.0 / std::numbers::pi;
// The sea where no land data is at hand: the dark blue of the picture's oceans.
const QColor SeaColour(14, 36, 74);
const QColor RingColour(255, 255, 255, 110);
const QColor RingLabelColour(235, 240, 255);

// One colour of `earth` at a fractional pixel: the four neighbours weighed in 1/256ths,
// wrapping round in longitude.
QRgb Sample(const QImage& earth, double u, double v) {
    const int w = earth.width();
    const int h = earth.height();
    u -= 0.5;
    v = std::clamp(v - 0.5, 0.0, h - 1.0);
    const double fu = std::floor(u);
    const int x0 = ((static_cast<int>(fu) % w) + w) % w;
    const int x1 = (x0 + 1) % w;
    const int y0 = static_cast<int>(v);
    const int y1 = std::min(y0 + 1, h - 1);
    const auto a = static_cast<quint32>((u - fu) * 256);
    const auto b = static_cast<quint32>((v - y0) * 256);
    const auto* row0 = reinterpret_cast<const QRgb*>(earth.constScanLine(y0));
    const auto* row1 = reinterpret_cast<const QRgb*>(earth.constScanLine(y1));
    // Red and blue, then green, weighed two channels at a time.
    const auto mix = [](QRgb p, QRgb q, quint32 t) {
        const quint32 rb = ((p & 0xFF00FF) * (256 - t) + (q & 0xFF00FF) * t) >> 8;
        const quint32 g = ((p & 0x00FF00) * (256 - t) + (q & 0x00FF00) * t) >> 8;
        return (rb & 0xFF00FF) | (g & 0x00FF00);
    };
    return 0xFF000000u | mix(mix(row0[x0], row0[x1], a), mix(row1[x0], row1[x1], a), b);
}

void DrawRangeRings(QPainter& p, const TMapFrame& frame, const QFont& font) {
    const int step = RangeRingStepKm(frame.radius);
    QFont small = font;
    small.setPointSizeF(font.pointSizeF() * 0.85);
    p.setFont(small);
    const QRectF bounds(frame.centre - QPointF(frame.radius, frame.radius),
                        QSizeF(2 * frame.radius, 2 * frame.radius));
    // No ring right at the rim, which is drawn anyway.
    for (int km = step; km < HalfCircumferenceKm * 0.97; km += step) {
        const double r = frame.radius * km / HalfCircumferenceKm;
        p.setPen(QPen(RingColour, 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(frame.centre, r, r);
        // Labels along the south-east diagonal, where the beam rarely points at first.
        const QString text = QString::number(km) + " km";
        DrawHaloText(p, frame.PixelAlong(135, km / HalfCircumferenceKm) + QPointF(3, 0), text,
                     RingLabelColour, bounds);
    }
}

void DrawCompassRing(QPainter& p, const TMapFrame& frame, const QPalette& palette,
                     const QFont& font) {
    const QColor ink = palette.color(QPalette::WindowText);
    p.setPen(QPen(ink, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(frame.centre, frame.radius, frame.radius);
    const int fine = frame.radius >= 200 ? 5 : 10;
    const double tickLong = frame.band * 0.35;
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF metrics(font);
    for (int degree = 0; degree < 360; degree += fine) {
        const double length = degree % 30 == 0   ? tickLong
                              : degree % 10 == 0 ? tickLong * 0.6
                                                 : tickLong * 0.35;
        const double outer = 1 + length / frame.radius;
        p.setPen(QPen(ink, degree % 30 == 0 ? 1.5 : 1));
        p.drawLine(frame.PixelAlong(degree, 1), frame.PixelAlong(degree, outer));
        if (degree % 30 != 0) continue;
        const bool cardinal = degree % 90 == 0;
        const QString text = cardinal ? QString("NESW"[degree / 90]) : QString::number(degree);
        p.setFont(cardinal ? bold : font);
        const QPointF middle =
            frame.PixelAlong(degree, 1 + (tickLong + frame.band * 0.35) / frame.radius);
        const QSizeF box(metrics.horizontalAdvance(text) + 8, metrics.height());
        p.drawText(QRectF(middle - QPointF(box.width() / 2, box.height() / 2), box),
                   Qt::AlignCenter, text);
    }
}

void DrawStation(QPainter& p, const TMapFrame& frame) {
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(frame.centre, 3.5, 3.5);
}

}  // namespace

void DrawHaloText(QPainter& p, QPointF at, const QString& text, const QColor& colour,
                  const QRectF& bounds) {
    const QFontMetricsF metrics(p.font());
    const QSizeF size(metrics.horizontalAdvance(text), metrics.ascent());
    at.setX(std::clamp(at.x(), bounds.left() + 2,
                       std::max(bounds.left() + 2, bounds.right() - size.width() - 2)));
    at.setY(std::clamp(at.y(), bounds.top() + size.height() / 2 + 2,
                       std::max(bounds.top(), bounds.bottom() - size.height() / 2 - 2)));
    QPainterPath path;
    path.addText(at + QPointF(0, metrics.ascent() / 2 - metrics.descent() / 2), p.font(), text);
    p.save();
    p.setPen(QPen(QColor(0, 0, 0, 170), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.fillPath(path, colour);
    p.restore();
}

QPointF TMapFrame::PixelAt(const TMapPoint& point) const {
    return {centre.x() + point.x * radius, centre.y() - point.y * radius};
}

TMapPoint TMapFrame::PointAt(const QPointF& pixel) const {
    return {(pixel.x() - centre.x()) / radius, (centre.y() - pixel.y()) / radius};
}

QPointF TMapFrame::PixelAlong(double bearing, double fraction) const {
    const double b = bearing / DegreesPerRadian;
    return PixelAt({fraction * std::sin(b), fraction * std::cos(b)});
}

TMapFrame MapFrameFor(const QSizeF& size, double fontHeight) {
    TMapFrame frame;
    frame.band = std::max(16.0, fontHeight * 1.9);
    frame.centre = QPointF(size.width() / 2, size.height() / 2);
    frame.radius = std::max(1.0, std::min(size.width(), size.height()) / 2 - frame.band);
    return frame;
}

QString EarthImagePath() {
    const QByteArray chosen = qgetenv("SKYVANE_MAP_IMAGE");
    return chosen.isEmpty() ? QString(DefaultEarthImagePath) : QString::fromLocal8Bit(chosen);
}

QImage LoadEarthImage(const QString& path) {
    QImage image(path);
    if (image.isNull() || image.width() != 2 * image.height()) return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

int RangeRingStepKm(double radius) {
    for (const int step : {1000, 2000, 2500, 5000})
        if (radius * step / HalfCircumferenceKm >= 55) return step;
    return 10000;
}

bool TPictureKey::operator==(const TPictureKey& other) const {
    const auto same = [](const std::optional<TGeoPosition>& a,
                         const std::optional<TGeoPosition>& b) {
        return a.has_value() == b.has_value() &&
               (!a || (a->latitude == b->latitude && a->longitude == b->longitude));
    };
    return size == other.size && scale == other.scale && same(station, other.station) &&
           palette == other.palette;
}

void ReprojectEarth(const TAzimuthalProjection& projection, const QImage& earth,
                    const TMapFrame& frame, QImage& picture) {
    const double scaleU = earth.width() / 360.0;
    const double scaleV = earth.height() / 180.0;
    const double mirror = 2 * projection.Station().longitude;
    const int top = std::max(0, static_cast<int>(std::floor(frame.centre.y() - frame.radius)));
    const int bottom = std::min(picture.height() - 1,
                                static_cast<int>(std::ceil(frame.centre.y() + frame.radius)));
    // Half a pixel more than the radius, so the rim's stroke covers the disc's edge.
    const double reach = 1 + 0.5 / frame.radius;
    for (int y = top; y <= bottom; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const double my = (frame.centre.y() - (y + 0.5)) / frame.radius;
        if (std::abs(my) > reach) continue;
        const double halfWidth = std::sqrt(std::max(0.0, reach * reach - my * my));
        // The map is mirrored about the station's meridian: each pixel east of it gives
        // the one as far west, at the mirrored longitude.
        const double cx = frame.centre.x() - 0.5;
        const int last = std::min(picture.width() - 1,
                                  static_cast<int>(std::floor(cx + halfWidth * frame.radius)));
        for (int x = static_cast<int>(std::ceil(cx)); x <= last; ++x) {
            const double mx = std::min((x - cx) / frame.radius, halfWidth);
            const double r = std::hypot(mx, my);
            const TMapPoint point = r > 1 ? TMapPoint{mx / r, my / r} : TMapPoint{mx, my};
            const std::optional<TGeoPosition> at = projection.Position(point);
            if (!at) continue;
            const double v = (90 - at->latitude) * scaleV;
            row[x] = Sample(earth, (at->longitude + 180) * scaleU, v);
            const int twin = static_cast<int>(std::lround(2 * cx - x));
            if (twin >= 0 && twin != x)
                row[twin] = Sample(earth, (mirror - at->longitude + 180) * scaleU, v);
        }
    }
}

QImage DrawMapPicture(const TPictureKey& key, const QImage& earth, const QPalette& palette,
                      const QFont& font) {
    QImage picture(key.size * key.scale, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(key.scale);
    picture.fill(palette.color(QPalette::Window));
    const TMapFrame frame = MapFrameFor(key.size, QFontMetricsF(font).height());
    if (key.station) {
        const TAzimuthalProjection projection(*key.station);
        if (earth.isNull()) {
            QPainter sea(&picture);
            sea.setRenderHint(QPainter::Antialiasing);
            sea.setPen(Qt::NoPen);
            sea.setBrush(SeaColour);
            sea.drawEllipse(frame.centre, frame.radius, frame.radius);
        } else {
            TMapFrame device = frame;
            device.centre *= key.scale;
            device.radius *= key.scale;
            ReprojectEarth(projection, earth, device, picture);
        }
    }
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (key.station) DrawRangeRings(p, frame, font);
    DrawCompassRing(p, frame, palette, font);
    if (key.station) DrawStation(p, frame);
    return picture;
}

}  // namespace skyvane
