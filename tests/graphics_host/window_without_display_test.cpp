// With no X display at all, a window mode makes no window and leaves nothing
// half made, and the frame timer goes on ticking.
#include <gtest/gtest.h>

#include "graphics_host/frame_tick.h"
#include "graphics_host/graphics_mode.h"
#include "graphics_host/mode_switch.h"
#include "graphics_host/window_procedure.h"
#include "tests/graphics_host/recording_scene.h"

namespace {

TEST(GraphicsWithoutDisplay, VisibleModesGiveNoWindowAndNothingDangles) {
    ASSERT_TRUE(register_window_class()) << "registering needs no display";
    for (int mode : {mode_window, mode_fullscreen, mode_blankscreen, mode_hide_graphics}) {
        SCOPED_TRACE(graphics_mode_tags[mode]);
        set_graphics_mode(mode);
        EXPECT_EQ(host_state.current_graphics_mode, mode);
        EXPECT_EQ(host_state.graphics_window, nullptr);
        EXPECT_EQ(host_state.window_dc, nullptr);
        EXPECT_EQ(host_state.gl_context, nullptr);
        frame_timer_tick();
    }
    EXPECT_EQ(scene_calls.frames, 0);
    EXPECT_TRUE(scene_calls.init_with_context.empty());
    EXPECT_TRUE(unregister_window_class());
    EXPECT_NE(host_state.app_instance, nullptr) << "unregistering went through";
}

}  // namespace
