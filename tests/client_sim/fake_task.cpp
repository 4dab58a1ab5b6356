// A stand-in task for client_sim's own tests: attaches the slot's shared
// memory and answers each graphics request with "echo:" and its text, one
// reply at a time, after a pause that lets requests pile up. It ends with
// status 0 on "<quit/>", or with the status N that a request "exit N" names.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app_ipc.h"
#include "shmem.h"

namespace {

bool take(MSG_CHANNEL& channel, std::string& text) {
    if (!channel.buf[0]) return false;
    text.assign(channel.buf + 1, strnlen(channel.buf + 1, MSG_CHANNEL_SIZE - 1));
    channel.buf[0] = 0;
    return true;
}

}  // namespace

int main() {
    void* memory = nullptr;
    if (attach_shmem_mmap(MMAPPED_FILE_NAME, &memory) != 0) return 90;
    SHARED_MEM& shm = *static_cast<SHARED_MEM*>(memory);
    std::string pending_reply;
    for (int tick = 0; tick < 3000; ++tick) {
        std::string text;
        if (take(shm.process_control_request, text) && text == "<quit/>") return 0;
        if (pending_reply.empty() && take(shm.graphics_request, text)) {
            if (text.rfind("exit ", 0) == 0) return std::atoi(text.c_str() + 5);
            pending_reply = "echo:" + text;
        }
        if (!pending_reply.empty() && tick % 20 == 0 && !shm.graphics_reply.buf[0]) {
            std::snprintf(shm.graphics_reply.buf + 1, MSG_CHANNEL_SIZE - 1, "%s",
                          pending_reply.c_str());
            shm.graphics_reply.buf[0] = 1;
            pending_reply.clear();
        }
        usleep(10000);
    }
    return 91;
}
