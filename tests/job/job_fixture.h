// A slot directory for one task of the real program, with what the task
// leaves in it.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

class job_slot {
  public:
    job_slot() : slot_(dir_.file("slot")) { mkdir(slot_.c_str(), 0755); }

    const std::string& path() const { return slot_; }
    std::string file(const std::string& name) const { return slot_ + "/" + name; }

    void set_checkpoint(const std::string& content) const {
        zf_test::write_file(file("ckpt_state"), content);
    }
    std::string out() const { return zf_test::read_file(file("out.txt")); }
    std::string log() const { return zf_test::read_file(file("stderr.txt")); }
    std::string checkpoint() const { return zf_test::read_file(file("ckpt_state")); }

    // One run under client_sim without a display; the options come after --slot.
    zf_test::run_result run(const std::vector<std::string>& options,
                            const std::string& commands = "", double timeout_seconds = 120) const {
        return zf_test::run_client_sim(slot_, options, commands, timeout_seconds);
    }

  private:
    zf_test::temp_dir dir_;
    std::string slot_;
};
