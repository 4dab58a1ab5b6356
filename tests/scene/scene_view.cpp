// Camera projection for the scene tests.
#include "tests/scene/scene_view.h"

#include <cmath>

namespace {

world_point minus(const world_point& a, const world_point& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double dot(const world_point& a, const world_point& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
world_point cross(const world_point& a, const world_point& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
world_point unit(const world_point& a) {
    const double length = std::sqrt(dot(a, a));
    return {a.x / length, a.y / length, a.z / length};
}

}  // namespace

screen_point project_scene_point(const world_point& eye, const world_point& point, int width,
                                 int height) {
    const world_point forward = unit(minus({0, 0, 0}, eye));
    const world_point side = unit(cross(forward, {0, 1, 0}));
    const world_point up = cross(side, forward);
    const world_point offset = minus(point, eye);
    const double depth = dot(offset, forward);
    const double x_ndc = dot(offset, side) / depth;
    const double y_ndc = dot(offset, up) / depth;
    return {(x_ndc + 1) / 2 * width, (y_ndc + 1) / 2 * height};
}
