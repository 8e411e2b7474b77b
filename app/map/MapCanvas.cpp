// SPDX-License-Identifier: GPL-3.0-or-later
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <numbers>

#include "app/map/MapCanvas_p.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

const QColor BeamLive(0, 255, 0);
// The grey green a heading the rotor no longer confirms is shown in.
const QColor BeamStale(0x70, 0x90, 0x70);
const QColor TurnColour(255, 150, 40);
const QColor TargetColour(255, 214, 64);
const QColor PickColour(255, 255, 255);

QString Degrees(int degrees) {
    return QString::number(degrees) + QChar(0x00B0);
}

QString PathLabel(const TGreatCirclePath& path) {
    return QString::fromStdString(PathText(path));
}

}  // namespace

TMapCanvas::TMapCanvas(const QImage& earth, QWidget* parent) : QWidget(parent), earth_(earth) {
    setMouseTracking(true);
    setMinimumSize(200, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    settle_.setSingleShot(true);
    settle_.setInterval(150);
    connect(&settle_, &QTimer::timeout, this, [this] {
        settled_ = true;
        update();
    });
}

void TMapCanvas::SetStation(const std::optional<TGeoPosition>& station) {
    station_ = station;
    picked_.reset();
    update();
}

void TMapCanvas::SetHeading(const TMapHeading& heading) {
    if (heading == heading_) return;
    // Only the beam's old and new places are painted again, over the kept picture.
    QRegion dirty(BeamArea(heading_));
    dirty += BeamArea(heading);
    heading_ = heading;
    update(dirty);
}

void TMapCanvas::SetBeamWidth(int degrees) {
    beamWidth_ = degrees;
    update();
}

void TMapCanvas::SetTurn(std::optional<int> heading) {
    if (heading == turn_) return;
    turn_ = heading;
    update();
}

void TMapCanvas::SetTarget(const std::optional<TAimedPlace>& target) {
    target_ = target;
    update();
}

void TMapCanvas::SetPicked(const std::optional<TGreatCirclePath>& path) {
    picked_ = path;
    update();
}

TMapFrame TMapCanvas::Frame() const {
    return MapFrameFor(size(), fontMetrics().height());
}

std::optional<TGreatCirclePath> TMapCanvas::PathAtPixel(const QPointF& pixel) const {
    if (!station_) return std::nullopt;
    return TAzimuthalProjection::PathAt(Frame().PointAt(pixel));
}

void TMapCanvas::DrawPicture(QPainter& p) {
    const TPictureKey key{size(), devicePixelRatioF(), station_, palette().cacheKey()};
    TPictureKey resized = pictureKey_;
    resized.size = key.size;
    if (!picture_.isNull() && !(key == pictureKey_) && resized == key && !settled_) {
        settle_.start();
        const QSizeF old = pictureKey_.size;
        const double factor = std::min(width(), height()) / std::min(old.width(), old.height());
        const QSizeF scaled = old * factor;
        p.fillRect(rect(), palette().color(QPalette::Window));
        p.drawImage(
            QRectF(QPointF((width() - scaled.width()) / 2, (height() - scaled.height()) / 2),
                   scaled),
            picture_);
        return;
    }
    if (picture_.isNull() || !(key == pictureKey_)) {
        picture_ = DrawMapPicture(key, earth_, palette(), font());
        pictureKey_ = key;
        ++picturesDrawn_;
    }
    settled_ = false;
    p.drawImage(QPointF(0, 0), picture_);
}

QRect TMapCanvas::HeadingTextArea() const {
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    return QRect(0, 0, metrics.horizontalAdvance("Beam 000\u00B0  rotor not answering") + 16,
                 metrics.height() + 8);
}

QRect TMapCanvas::BeamArea(const TMapHeading& heading) const {
    QRect area = HeadingTextArea();
    if (heading.state == TMapHeading::None || !station_) return area;
    const TMapFrame frame = Frame();
    const double reach = 1 + frame.band / frame.radius;
    QPolygonF outline{frame.centre};
    const double half = beamWidth_ / 2.0;
    for (double b = heading.degrees - half; b < heading.degrees + half; b += 5)
        outline << frame.PixelAlong(b, reach);
    outline << frame.PixelAlong(heading.degrees + half, reach);
    return area | outline.boundingRect().toAlignedRect().adjusted(-4, -4, 4, 4);
}

void TMapCanvas::paintEvent(QPaintEvent*) {
    Guarded([this] {
        QPainter p(this);
        DrawPicture(p);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        const TMapFrame frame = Frame();
        if (station_) {
            DrawTarget(p, frame);
            DrawTurn(p, frame);
            DrawBeam(p, frame);
            DrawPicked(p, frame);
        } else {
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(
                QRectF(frame.centre - QPointF(frame.radius, 40), QSizeF(2 * frame.radius, 80)),
                Qt::AlignCenter | Qt::TextWordWrap,
                "Your locator centres the map on your station.");
        }
        DrawHeadingText(p);
    });
}

void TMapCanvas::DrawBeam(QPainter& p, const TMapFrame& frame) const {
    if (heading_.state == TMapHeading::None) return;
    const bool live = heading_.state == TMapHeading::Live;
    QColor fill = live ? BeamLive : BeamStale;
    fill.setAlpha(live ? 70 : 50);
    QColor edge = live ? BeamLive : BeamStale;
    edge.setAlpha(live ? 170 : 120);
    const QRectF disc(frame.centre - QPointF(frame.radius, frame.radius),
                      QSizeF(2 * frame.radius, 2 * frame.radius));
    // Qt counts angles from three o'clock, anticlockwise, in sixteenths of a degree.
    const double start = 90 - heading_.degrees - beamWidth_ / 2.0;
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawPie(disc, static_cast<int>(std::lround(start * 16)), beamWidth_ * 16);
    p.setPen(QPen(live ? BeamLive : BeamStale, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(frame.centre, frame.PixelAlong(heading_.degrees, 1));
    // A pointer on the compass ring.
    const double tip = 1;
    const double base = 1 + frame.band * 0.45 / frame.radius;
    const double spread =
        std::asin(std::min(1.0, 6 / (frame.radius * base))) * 180 / std::numbers::pi;
    p.setPen(Qt::NoPen);
    p.setBrush(live ? BeamLive : BeamStale);
    p.drawPolygon(QPolygonF{frame.PixelAlong(heading_.degrees, tip),
                            frame.PixelAlong(heading_.degrees - spread, base),
                            frame.PixelAlong(heading_.degrees + spread, base)});
}

void TMapCanvas::DrawHeadingText(QPainter& p) const {
    const QRect area = HeadingTextArea();
    QString text = "No heading";
    if (heading_.state != TMapHeading::None) {
        text = "Beam " + Degrees(heading_.degrees);
        if (heading_.state == TMapHeading::Stale) text += "  rotor not answering";
    }
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(palette().color(heading_.state == TMapHeading::Stale ? QPalette::PlaceholderText
                                                                  : QPalette::WindowText));
    p.drawText(area.adjusted(8, 4, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    p.setFont(font());
}

void TMapCanvas::DrawTurn(QPainter& p, const TMapFrame& frame) const {
    if (!turn_) return;
    p.setPen(QPen(TurnColour, 2, Qt::DashLine, Qt::RoundCap));
    p.drawLine(frame.centre, frame.PixelAlong(*turn_, 1));
    DrawHaloText(p, frame.PixelAlong(*turn_, 0.72) + QPointF(6, 0), "turning to " + Degrees(*turn_),
                 TurnColour, rect());
}

void TMapCanvas::DrawTarget(QPainter& p, const TMapFrame& frame) const {
    if (!target_) return;
    const TGreatCirclePaths paths = GreatCirclePaths(*station_, target_->position);
    const QPointF at = frame.PixelAt(TAzimuthalProjection::PathPoint(paths.shortPath));
    // The long path leaves the other way, meets the antipode on the rim and comes back in
    // from the rim's far side to the target.
    p.setPen(QPen(TargetColour, 1.5, Qt::DashLine, Qt::RoundCap));
    p.drawLine(frame.centre, frame.PixelAlong(paths.longPath.bearing, 1));
    p.drawLine(frame.PixelAlong(paths.shortPath.bearing, 1), at);
    p.setPen(QPen(TargetColour, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(frame.centre, at);
    p.setBrush(TargetColour);
    p.setPen(QPen(Qt::black, 1));
    p.drawEllipse(at, 4, 4);
    // The name above the short path's figures, right of the target, or left of it where
    // the right would run into the compass ring.
    const QString name = QString::fromStdString(target_->label);
    const QString figures = "SP " + PathLabel(paths.shortPath);
    const QFontMetricsF metrics(p.font());
    const qreal width =
        std::max(metrics.horizontalAdvance(name), metrics.horizontalAdvance(figures));
    const qreal line = metrics.height() / 2 + 1;
    const bool fits = at.x() + 8 + width <= frame.centre.x() + frame.radius;
    const qreal x = fits ? at.x() + 8 : at.x() - 8 - width;
    // On the left the path runs under the text: the text moves off it, up or down.
    const qreal y = fits ? at.y() : at.y() + (at.y() < frame.centre.y() ? -2 : 2) * line;
    DrawHaloText(p, QPointF(x, y - line), name, TargetColour, rect());
    DrawHaloText(p, QPointF(x, y + line), figures, TargetColour, rect());
    DrawHaloText(p, frame.PixelAlong(paths.longPath.bearing, 0.62) + QPointF(6, 0),
                 "LP " + PathLabel(paths.longPath), TargetColour, rect());
}

void TMapCanvas::DrawPicked(QPainter& p, const TMapFrame& frame) const {
    if (!picked_) return;
    const QPointF at = frame.PixelAt(TAzimuthalProjection::PathPoint(*picked_));
    p.setPen(QPen(PickColour, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(at, 6, 6);
    p.drawLine(at - QPointF(10, 0), at - QPointF(3, 0));
    p.drawLine(at + QPointF(3, 0), at + QPointF(10, 0));
    p.drawLine(at - QPointF(0, 10), at - QPointF(0, 3));
    p.drawLine(at + QPointF(0, 3), at + QPointF(0, 10));
}

void TMapCanvas::mouseMoveEvent(QMouseEvent* event) {
    Guarded([&] {
        if (onPointer_) onPointer_(PathAtPixel(event->position()));
    });
}

void TMapCanvas::mousePressEvent(QMouseEvent* event) {
    Guarded([&] {
        if (event->button() != Qt::LeftButton) return;
        if (const auto path = PathAtPixel(event->position()); path && onPick_) onPick_(path);
    });
}

void TMapCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    Guarded([&] {
        if (event->button() != Qt::LeftButton) return;
        if (const auto path = PathAtPixel(event->position()); path && onDoubleClick_)
            onDoubleClick_(path);
    });
}

void TMapCanvas::leaveEvent(QEvent*) {
    Guarded([this] {
        if (onPointer_) onPointer_(std::nullopt);
    });
}

}  // namespace skyvane
