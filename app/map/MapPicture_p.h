// SPDX-License-Identifier: GPL-3.0-or-later
// The still part of the map, drawn once per size and centre and kept: land and sea
// reprojected around the station, range rings in km, the compass ring, the station.
#pragma once

#include <QImage>
#include <QPalette>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <optional>

#include "rotor/AzimuthalProjection.h"

class QFont;
class QPainter;

namespace skyvane {

// Where the map's disc lies in its canvas, in device-independent pixels.
struct TMapFrame {
    QPointF centre;
    double radius = 0;  // of the disc, whose rim is the antipode
    double band = 0;    // width of the compass ring around it

    // The pixel of a map point, and the map point of a pixel.
    QPointF PixelAt(const TMapPoint& point) const;
    TMapPoint PointAt(const QPointF& pixel) const;
    // The pixel `fraction` of the radius out from the centre along `bearing`.
    QPointF PixelAlong(double bearing, double fraction) const;
};

// The frame of a canvas of `size` whose labels use a font `fontHeight` high.
TMapFrame MapFrameFor(const QSizeF& size, double fontHeight);

// The picture of the earth the map is made from: NASA's Blue Marble, whole world in
// longitude and latitude (plate carrée), from the Debian package xplanet-images.
inline constexpr const char* DefaultEarthImagePath = "/usr/share/xplanet/images/earth.jpg";
// The picture in use: SKYVANE_MAP_IMAGE when set, else the packaged one.
QString EarthImagePath();
// The picture at `path` in a form fast to sample; a null image when missing,
// unreadable or not twice as wide as it is high.
QImage LoadEarthImage(const QString& path);

// Draws `text` in `colour` with a dark halo, legible on land and sea alike, its left end
// at `at` and its middle at `at`'s height, moved inside `bounds` where it would leave them.
void DrawHaloText(QPainter& p, QPointF at, const QString& text, const QColor& colour,
                  const QRectF& bounds);

// The range rings' spacing in km for a disc `radius` pixels wide: rings at least
// about 55 pixels apart.
int RangeRingStepKm(double radius);

// Everything the still picture depends on: when it changes, the picture is drawn anew.
struct TPictureKey {
    QSize size;       // the canvas, device-independent pixels
    qreal scale = 1;  // device pixels per pixel
    std::optional<TGeoPosition> station;
    qint64 palette = 0;  // QPalette::cacheKey of the canvas
    bool operator==(const TPictureKey& other) const;
};

// Draws the still picture for `key`: `earth` reprojected (the sea alone when it is
// null), range rings, compass ring and station, in `palette` and `font`; without a
// station only the compass ring.
QImage DrawMapPicture(const TPictureKey& key, const QImage& earth, const QPalette& palette,
                      const QFont& font);

// Fills the disc of `frame` (device pixels) in `picture` with `earth` seen from
// `projection`; the work of DrawMapPicture that grows with the area.
void ReprojectEarth(const TAzimuthalProjection& projection, const QImage& earth,
                    const TMapFrame& frame, QImage& picture);

}  // namespace skyvane
