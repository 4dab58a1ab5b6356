// The flat views the poster is drawn in.
#pragma once

// Saves both matrices and sets an orthographic view of the plane z = 0 from
// (0, 0, 1), depth 0 to 1, in which x from 0 to 1 spans the largest 4:3 area
// centred in the viewport and y from 0 to 0.75 spans its height; leaves the
// model-view matrix selected.
void enter_ortho_mode();

// Restores both matrices saved by enter_ortho_mode; leaves the model-view matrix selected.
void leave_ortho_mode();

// Depth test on, lighting off.
void enter_unshaded_mode();
