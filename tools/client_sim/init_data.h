// The init data that a core client hands to a task in init_data.xml.
#pragma once

#include <string>

#include "app_ipc.h"
#include "tools/client_sim/options.h"

// Fills the library's record from the values given, with this process as the
// client and the slot's mmap file as the shared memory.
void fill_init_data(const init_data_values& values, APP_INIT_DATA& record);

// Writes the record as dir/init_data.xml; 0 or an errno value.
int write_init_data(const std::string& dir, APP_INIT_DATA& record);
