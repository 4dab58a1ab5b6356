#include "companion/companion_state.h"

companion_state_type companion_state;
