// Where a world point of the animated scene lands on screen: the camera of the
// scene (looking at the origin from the eye, y up) and its square frustum
// (90 degrees, near 1), worked out independently of GL for the tests.
#pragma once

struct screen_point {
    double x;  // pixels from the left
    double y;  // pixels from the bottom
};

struct world_point {
    double x, y, z;
};

screen_point project_scene_point(const world_point& eye, const world_point& point, int width,
                                 int height);
