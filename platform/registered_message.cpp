// Registered window messages: one number per name, from 0xC000 up.
#include <string>
#include <vector>

#include "platform/x11_state.h"

namespace platform {
namespace {

constexpr unsigned first_registered_message = 0xC000;
constexpr unsigned last_registered_message = 0xFFFF;

// Built on first use, so that registering works during static initialisation.
std::vector<std::string>& names() {
    static std::vector<std::string>* const table =
        std::make_unique<std::vector<std::string>>().release();
    return *table;
}

}  // namespace

const std::vector<std::string>& registered_message_names() { return names(); }

unsigned register_window_message(const char* name) {
    if (!name || !*name) return 0;
    auto& table = names();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i] == name) return first_registered_message + static_cast<unsigned>(i);
    }
    if (first_registered_message + table.size() > last_registered_message) return 0;
    table.emplace_back(name);
    return first_registered_message + static_cast<unsigned>(table.size() - 1);
}

}  // namespace platform
