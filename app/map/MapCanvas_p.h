// SPDX-License-Identifier: GPL-3.0-or-later
// The map itself: the kept still picture, and over it what moves: the beam along the
// heading, the target of a turn in progress, the paths to the last target and the
// point picked with the mouse.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "app/map/MapPicture_p.h"
#include "app/map/MapView.h"

namespace skyvane {

class TMapCanvas : public QWidget {
public:
    // A path under the pointer, or nothing off the disc.
    using TPathEvent = std::function<void(const std::optional<TGreatCirclePath>& path)>;

    // `earth`: the picture of the earth (null: the sea alone); kept by the caller.
    TMapCanvas(const QImage& earth, QWidget* parent);

    // What is shown; each repaints only what it changes.
    void SetStation(const std::optional<TGeoPosition>& station);
    void SetHeading(const TMapHeading& heading);
    void SetBeamWidth(int degrees);
    void SetTurn(std::optional<int> heading);
    void SetTarget(const std::optional<TAimedPlace>& target);
    void SetPicked(const std::optional<TGreatCirclePath>& path);

    // The pointer moved over the map (nothing: off the disc or out of the window).
    void SetOnPointer(TPathEvent handler) { onPointer_ = std::move(handler); }
    // A left click on the disc.
    void SetOnPick(TPathEvent handler) { onPick_ = std::move(handler); }
    // A double click on the disc.
    void SetOnDoubleClick(TPathEvent handler) { onDoubleClick_ = std::move(handler); }

    // Where the disc lies now.
    TMapFrame Frame() const;
    // The path from the station to a pixel of the canvas; nothing off the disc.
    std::optional<TGreatCirclePath> PathAtPixel(const QPointF& pixel) const;
    // The heading the beam is drawn along now.
    const TMapHeading& Heading() const { return heading_; }
    // How many times the still picture has been drawn.
    int PicturesDrawn() const { return picturesDrawn_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Draws the still picture for the present size, centre and palette, drawn anew
    // when due; while the size keeps changing (a drag) the last one is drawn scaled
    // and the new one waits until the size holds still.
    void DrawPicture(QPainter& p);
    // The area the beam and its heading label cover for `heading`.
    QRect BeamArea(const TMapHeading& heading) const;
    void DrawBeam(QPainter& p, const TMapFrame& frame) const;
    void DrawHeadingText(QPainter& p) const;
    void DrawTurn(QPainter& p, const TMapFrame& frame) const;
    void DrawTarget(QPainter& p, const TMapFrame& frame) const;
    void DrawPicked(QPainter& p, const TMapFrame& frame) const;
    // The rectangle of the heading text in the top left corner.
    QRect HeadingTextArea() const;

    const QImage& earth_;
    QImage picture_;
    TPictureKey pictureKey_;
    int picturesDrawn_ = 0;
    QTimer settle_;
    bool settled_ = false;
    std::optional<TGeoPosition> station_;
    TMapHeading heading_;
    int beamWidth_ = 60;
    std::optional<int> turn_;
    std::optional<TAimedPlace> target_;
    std::optional<TGreatCirclePath> picked_;
    TPathEvent onPointer_;
    TPathEvent onPick_;
    TPathEvent onDoubleClick_;
};

}  // namespace skyvane
