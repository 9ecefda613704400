#include "Profile.h"

#include <algorithm>
#include <cmath>

Profile::Profile(std::vector<QPointF> controlPoints)
    : points(std::move(controlPoints)), tangents(points.size(), 0.0) {
    const size_t n = points.size();
    std::vector<double> slopes(n > 0 ? n - 1 : 0);
    for (size_t i = 0; i + 1 < n; ++i) {
        slopes[i] = (points[i + 1].y() - points[i].y()) / (points[i + 1].x() - points[i].x());
    }
    // Fritsch-Carlson: a flat tangent at every local extremum keeps the curve inside the points.
    for (size_t i = 1; i + 1 < n; ++i) {
        if (slopes[i - 1] * slopes[i] > 0.0) {
            tangents[i] = 2.0 / (1.0 / slopes[i - 1] + 1.0 / slopes[i]);
        }
    }
    if (n >= 2) {
        tangents.front() = slopes.front();
        tangents.back() = slopes.back();
    }
}

float Profile::operator()(float distance) const {
    if (points.empty()) {
        return 0.0f;
    }
    if (distance <= points.front().x()) {
        return static_cast<float>(points.front().y());
    }
    if (distance >= points.back().x()) {
        return static_cast<float>(points.back().y());
    }
    const auto upper = std::upper_bound(points.begin(), points.end(), distance,
                                        [](float d, const QPointF& p) { return d < p.x(); });
    const size_t i = static_cast<size_t>(upper - points.begin()) - 1;
    const double x0 = points[i].x();
    const double span = points[i + 1].x() - x0;
    const double t = (distance - x0) / span;
    const double t2 = t * t;
    const double t3 = t2 * t;
    return static_cast<float>(
        (2 * t3 - 3 * t2 + 1) * points[i].y() + (t3 - 2 * t2 + t) * span * tangents[i] +
        (-2 * t3 + 3 * t2) * points[i + 1].y() + (t3 - t2) * span * tangents[i + 1]);
}
