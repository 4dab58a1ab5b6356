// The task's slot directory: where it runs and keeps its files.
#pragma once

#include <sys/types.h>

#include <string>

// Makes the slot directory ready and gives its absolute path: the one asked
// for (created if missing) or a new one under ./run/. Empty on failure, with
// the reason in error.
std::string prepare_slot_dir(const std::string& requested, std::string& error);

// Gives the slot directory and the files client_sim wrote there to the
// task's account, so that a task under another account can use them. False
// with the reason in error.
bool hand_slot_to(const std::string& dir, uid_t uid, gid_t gid, std::string& error);

// Removes the marks that a finished earlier run leaves behind, so that they
// do not tell how this run ended.
void clear_end_marks(const std::string& dir);

// True when the task's library marked a call of boinc_finish in the slot.
bool finish_was_called(const std::string& dir);
