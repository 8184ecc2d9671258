// PROJ as an independent check of our projections: the forward projection
// of a PROJ definition on the unit sphere (angles in radians).
#pragma once

#include <proj.h>

#include <cmath>
#include <string>

class ProjForward {
public:
    explicit ProjForward(const std::string& definition) {
        context_ = proj_context_create();
        projection_ = proj_create(context_, definition.c_str());
    }
    ~ProjForward() {
        if (projection_) proj_destroy(projection_);
        proj_context_destroy(context_);
    }
    ProjForward(const ProjForward&) = delete;
    ProjForward& operator=(const ProjForward&) = delete;
    bool ok() const { return projection_ != nullptr; }
    // Plane point of longitude lon (east) and latitude lat; false where PROJ
    // has none.
    bool operator()(double lon, double lat, double* x, double* y) const {
        PJ_COORD c = proj_coord(lon, lat, 0.0, 0.0);
        const PJ_COORD r = proj_trans(projection_, PJ_FWD, c);
        if (!std::isfinite(r.xy.x) || !std::isfinite(r.xy.y) || r.xy.x == HUGE_VAL) return false;
        *x = r.xy.x;
        *y = r.xy.y;
        return true;
    }

    // Longitude and latitude of a plane point; false where PROJ has none.
    bool inverse(double x, double y, double* lon, double* lat) const {
        const PJ_COORD r = proj_trans(projection_, PJ_INV, proj_coord(x, y, 0.0, 0.0));
        if (!std::isfinite(r.lp.lam) || !std::isfinite(r.lp.phi) || r.lp.lam == HUGE_VAL) return false;
        *lon = r.lp.lam;
        *lat = r.lp.phi;
        return true;
    }

private:
    PJ_CONTEXT* context_ = nullptr;
    PJ* projection_ = nullptr;
};

// The direction of longitude lon (east) and latitude lat.
inline void DirectionOfLonLatD(double lon, double lat, double d[3]) {
    d[0] = -std::cos(lat) * std::sin(lon);
    d[1] = std::sin(lat);
    d[2] = std::cos(lat) * std::cos(lon);
}

// Longitude east and latitude north of a direction, seen from inside the
// sphere (east is -x, north +y, the centre of the picture +z).
inline void LonLatOf(const double d[3], double* lon, double* lat) {
    *lon = std::atan2(-d[0], d[2]);
    *lat = std::asin(std::fmax(-1.0, std::fmin(1.0, d[1] / std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]))));
}
