#include "companion/companion_state.h"

companion_state_type companion_state;

void reset_companion_state() { companion_state = companion_state_type{}; }
