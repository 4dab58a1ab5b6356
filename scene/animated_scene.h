// The animated scene: a circling camera, a yellow wire cube, a colour-cycling
// translucent square, the title and four axis points.
#pragma once

// The unit cube's 12 edges in one batch, in the current colour and line width.
void draw_wire_cube();
