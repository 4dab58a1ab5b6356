#include "tools/client_sim/init_data.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

// The library's shm_key value that makes it attach the slot's mmap file.
constexpr int mmap_file_shm_key = -1;

template <std::size_t size>
void copy_text(char (&field)[size], const std::string& value) {
    std::snprintf(field, size, "%s", value.c_str());
}

}  // namespace

void fill_init_data(const init_data_values& values, APP_INIT_DATA& record) {
    record.clear();
    copy_text(record.user_name, values.user_name);
    copy_text(record.authenticator, values.authenticator);
    copy_text(record.team_name, values.team_name);
    copy_text(record.project_dir, values.project_dir);
    copy_text(record.boinc_dir, values.boinc_dir);
    record.user_total_credit = values.user_total_credit;
    record.user_expavg_credit = values.user_expavg_credit;
    record.host_total_credit = values.host_total_credit;
    record.host_expavg_credit = values.host_expavg_credit;
    copy_text(record.app_name, values.app_name);
    copy_text(record.wu_name, values.wu_name);
    record.slot = values.slot;
    copy_text(record.host_info.os_name, values.os_name);
    record.wu_cpu_time = values.wu_cpu_time;
    record.checkpoint_period = values.checkpoint_period;
    // The library scales the reported fraction done into this range.
    record.fraction_done_start = 0.0;
    record.fraction_done_end = 1.0;
    record.ncpus = 1.0;
    record.client_pid = static_cast<int>(getpid());
    record.shmem_seg_name = mmap_file_shm_key;
}

int write_init_data(const std::string& dir, APP_INIT_DATA& record) {
    std::string path = dir + "/" + INIT_DATA_FILE;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "w"), &std::fclose);
    if (!file) return errno;
    if (write_init_data_file(file.get(), record) != 0) return EIO;
    if (std::fflush(file.get()) != 0) return errno;
    return 0;
}
