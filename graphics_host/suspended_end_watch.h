// Ends a suspended task that its core client has asked to end, or has left.
#pragma once

// Called on every frame-timer tick of the graphics thread.
void end_suspended_task_if_asked();
