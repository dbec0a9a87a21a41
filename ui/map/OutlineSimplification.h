#pragma once

#include <QPointF>
#include <cstddef>

namespace tolven {

// Ranks the vertices of one ring for Douglas–Peucker simplification, once for
// every tolerance: tolerances[i] receives the largest tolerance at which
// vertex i is still kept, so that the simplification to a tolerance t is the
// vertices whose rank exceeds t. The first and last vertices, and the one
// farthest from the first, are always kept (infinity). A vertex with a
// coordinate that is not finite is never kept unless it is one of those.
void rankRingVertices(const QPointF* ring, std::size_t count, double* tolerances);

}  // namespace tolven
