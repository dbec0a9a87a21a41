#include "ui/map/OutlineSimplification.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tolven {

namespace {

// The squared distances of points to the segment from a to b.
struct Chord {
    QPointF a;
    double dx, dy, inverseLength;
    Chord(const QPointF& from, const QPointF& to)
        : a(from), dx(to.x() - from.x()), dy(to.y() - from.y()) {
        const double length = dx * dx + dy * dy;
        inverseLength = length > 0.0 ? 1.0 / length : 0.0;
    }
    double squaredDistance(const QPointF& p) const {
        const double px = p.x() - a.x(), py = p.y() - a.y();
        const double along = std::clamp((px * dx + py * dy) * inverseLength, 0.0, 1.0);
        const double ex = px - along * dx, ey = py - along * dy;
        return ex * ex + ey * ey;
    }
};

}  // namespace

void rankRingVertices(const QPointF* ring, std::size_t count, double* tolerances) {
    if (count == 0) return;
    for (std::size_t i = 0; i < count; ++i) tolerances[i] = 0.0;
    const std::size_t last = count - 1;
    tolerances[0] = tolerances[last] = INFINITY;
    // A closed ring's chord from first to last is a point: it is split first
    // at the vertex farthest from its start.
    std::size_t far = 0;
    double farthest = -1.0;
    for (std::size_t i = 1; i < last; ++i) {
        const double dx = ring[i].x() - ring[0].x(), dy = ring[i].y() - ring[0].y();
        const double d = dx * dx + dy * dy;
        if (d > farthest && std::isfinite(d)) {
            farthest = d;
            far = i;
        }
    }
    if (far == 0) return;
    tolerances[far] = INFINITY;

    // Each span between two kept vertices is split at its vertex farthest
    // from the chord. That vertex is kept while the tolerance is below both
    // its distance and the rank of the vertex whose split made the span, so
    // the ranks give exactly the simplification Douglas–Peucker makes at
    // any one tolerance.
    struct Span {
        std::size_t from, to;
        double bound;
    };
    std::vector<Span> spans{{0, far, INFINITY}, {far, last, INFINITY}};
    while (!spans.empty()) {
        const Span span = spans.back();
        spans.pop_back();
        std::size_t split = span.from;
        double distance = -1.0;
        const Chord chord(ring[span.from], ring[span.to]);
        for (std::size_t i = span.from + 1; i < span.to; ++i) {
            const double d = chord.squaredDistance(ring[i]);
            if (d > distance && std::isfinite(d)) {
                distance = d;
                split = i;
            }
        }
        if (split == span.from) continue;  // nothing between, or nothing finite
        const double rank = std::min(std::sqrt(distance), span.bound);
        tolerances[split] = rank;
        spans.push_back({span.from, split, rank});
        spans.push_back({split, span.to, rank});
    }
}

}  // namespace tolven
