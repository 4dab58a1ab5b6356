// The job's state between runs: the pass about to run, in the file whose
// logical name is "ckpt_state".
#pragma once

#include <cstdio>

// Writes " <pass> \n" so that a kill at any moment leaves either the old
// checkpoint or the new one. 0 when written, 1 when it could not be.
int do_checkpoint(int pass);

// Flushes out and forces its data to disk: a checkpoint that counts the
// output may be committed only after this succeeded, or a power loss could
// leave the checkpoint without the lines it counts. False, with errno set,
// when the data is not known to be on disk; a stream that keeps no data of
// its own to sync (a pipe, a device) succeeds.
bool output_on_disk(std::FILE* out);

// Reads the checkpoint at the worker's start. Returns false when there is no
// checkpoint file; otherwise true with `pass` set to the stored pass, or to 0
// when the file holds no usable number.
bool read_checkpoint(int& pass);

// The stored pass in a checkpoint's text: the first decimal integer after
// leading white space; 0 when there is none, when it is negative, or when it
// does not fit an int.
int parse_checkpoint_text(const char* text);
