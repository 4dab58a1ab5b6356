#include "tools/client_sim/slot_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "app_ipc.h"
#include "shmem.h"

namespace {

bool make_directories(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

std::string absolute_path(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? resolved : "";
}

std::string new_slot_under_run(std::string& error) {
    if (!make_directories("run")) {
        error = std::string("cannot create ./run: ") + std::strerror(errno);
        return "";
    }
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    std::string pattern = std::string("run/slot-") + stamp + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
        error = std::string("cannot create a slot under ./run: ") + std::strerror(errno);
        return "";
    }
    return name.data();
}

}  // namespace

std::string prepare_slot_dir(const std::string& requested, std::string& error) {
    std::string dir = requested;
    if (dir.empty()) {
        dir = new_slot_under_run(error);
        if (dir.empty()) return "";
    } else if (!make_directories(dir)) {
        error = "cannot create " + dir + ": " + std::strerror(errno);
        return "";
    }
    std::string absolute = absolute_path(dir);
    if (absolute.empty()) error = "cannot find " + dir + ": " + std::strerror(errno);
    return absolute;
}

bool hand_slot_to(const std::string& dir, uid_t uid, gid_t gid, std::string& error) {
    for (const std::string& path :
         {dir, dir + "/" + INIT_DATA_FILE, dir + "/" + MMAPPED_FILE_NAME}) {
        if (chown(path.c_str(), uid, gid) != 0) {
            error = "cannot give " + path + " to user id " + std::to_string(uid) + ": " +
                    std::strerror(errno);
            return false;
        }
    }
    return true;
}

void clear_end_marks(const std::string& dir) {
    unlink((dir + "/" + BOINC_FINISH_CALLED_FILE).c_str());
    unlink((dir + "/" + TEMPORARY_EXIT_FILE).c_str());
}

bool finish_was_called(const std::string& dir) {
    return access((dir + "/" + BOINC_FINISH_CALLED_FILE).c_str(), F_OK) == 0;
}
