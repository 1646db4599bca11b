#pragma once

#include "view3d/ZoneObject.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

// Paints the pictures circle zones carry in the 3D view: a red ring the
// zone's size, the zone's name across it and a small ring at its centre,
// on black that becomes transparent. A large zone, too big for a picture
// to scale, shows a fixed ring and its radius written out instead. One
// picture pixel is one world unit, centred on the zone.
class QtZonePainter : public view3d::ZonePainter {
  public:
    std::vector<uint32_t> Paint(const view3d::ZonePictureRequest& request) override;
    // The same picture as an image (ARGB32, side x side).
    static QImage PaintImage(const view3d::ZonePictureRequest& request);
};

// The text a large zone shows: "Radius", a line end as the game's texts
// write it ("\r\n"), and the radius with one decimal.
QString LargeZoneText(float radius);
