// The task's shared memory as a core client on Linux provides it: the file
// boinc_mmap_file in the slot directory, mapped by both processes.
#pragma once

#include <string>

#include "app_ipc.h"

class shared_memory_file {
  public:
    shared_memory_file() = default;
    shared_memory_file(const shared_memory_file&) = delete;
    shared_memory_file& operator=(const shared_memory_file&) = delete;
    ~shared_memory_file();

    // Creates dir/boinc_mmap_file afresh, all zero, and maps it; 0 or the
    // library's error code.
    int create(const std::string& dir);

    SHARED_MEM& channels() { return *memory_; }

  private:
    SHARED_MEM* memory_ = nullptr;
};
