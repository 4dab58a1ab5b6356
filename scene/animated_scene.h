// The animated scene: a circling camera, a yellow wire cube, a colour-cycling
// translucent square, the title and four axis points.
#pragma once

// Time of the first frame of the process; negative until that frame is drawn.
extern double scene_start_time;

// The unit cube's 12 edges in one batch, in the current colour and line width.
void draw_wire_cube();
