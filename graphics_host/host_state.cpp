#include "graphics_host/host_state.h"

host_state_type host_state;

void reset_host_state() {
    const platform::instance_handle instance = host_state.app_instance;
    host_state = host_state_type{};
    host_state.app_instance = instance;
}
