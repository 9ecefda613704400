#pragma once

#include <QPointF>

#include <vector>

// A moulding's cross-section: height over the distance from an edge, a smooth curve through
// the given points that never overshoots them (monotone cubic Hermite interpolation).
class Profile {
public:
    explicit Profile(std::vector<QPointF> points);

    // Height at `distance`; constant beyond the first and last points.
    float operator()(float distance) const;

private:
    std::vector<QPointF> points;
    std::vector<double> tangents;
};
