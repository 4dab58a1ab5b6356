#include "task_state/slot_file.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "boinc_api.h"
#include "filesys.h"
#include "tests/support/case_names.h"
#include "tests/support/test_support.h"

namespace {

constexpr std::size_t bound = 64;

const char* status_name(slot_file_status status) {
    switch (status) {
        case slot_file_status::read:
            return "read";
        case slot_file_status::missing:
            return "missing";
        case slot_file_status::not_regular:
            return "not_regular";
        case slot_file_status::too_large:
            return "too_large";
        case slot_file_status::unreadable:
            return "unreadable";
    }
    return "?";
}

// A slot of its own for each case; a call that blocks ends the test binary
// with SIGALRM instead of hanging the suite.
class SlotDirectory {
  public:
    SlotDirectory() { alarm(20); }
    ~SlotDirectory() { alarm(0); }
    std::string path(const std::string& name) const { return dir_.file(name); }
    std::string regular(const std::string& name, const std::string& content) const {
        zf_test::write_file(path(name), content);
        return path(name);
    }

  private:
    zf_test::temp_dir dir_;
};

struct kind_case {
    std::string name;
    // Makes the file in the slot and gives its path.
    std::function<std::string(const SlotDirectory&)> make;
    slot_file_status read_status;
    std::string contents;  // what read_slot_file gives when it reads
    slot_file_status open_status;
};

std::string make_symlink(const SlotDirectory& slot, const std::string& target) {
    const std::string link = slot.path("link");
    EXPECT_EQ(symlink(target.c_str(), link.c_str()), 0) << std::strerror(errno);
    return link;
}

std::string make_fifo(const SlotDirectory& slot) {
    const std::string fifo = slot.path("fifo");
    EXPECT_EQ(mkfifo(fifo.c_str(), 0644), 0) << std::strerror(errno);
    return fifo;
}

// A socket bound to a name in the slot, left bound while the case runs.
std::string make_socket(const SlotDirectory& slot) {
    const std::string name = slot.path("socket");
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, name.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0)
        << std::strerror(errno);
    close(fd);
    return name;
}

class SlotFileKinds : public ::testing::TestWithParam<kind_case> {
  protected:
    SlotDirectory slot_;
};

TEST_P(SlotFileKinds, ReadGivesTheStatusAndAtMostTheBound) {
    const std::string path = GetParam().make(slot_);
    std::string contents = "left over";
    EXPECT_STREQ(status_name(read_slot_file(path.c_str(), bound, contents)),
                 status_name(GetParam().read_status));
    EXPECT_EQ(contents,
              GetParam().read_status == slot_file_status::read ? GetParam().contents : "");
}

TEST_P(SlotFileKinds, OpenHandsBackADescriptorOnlyForARegularFile) {
    const std::string path = GetParam().make(slot_);
    slot_file_status status = slot_file_status::unreadable;
    const int fd = open_slot_file(path.c_str(), status);
    EXPECT_STREQ(status_name(status), status_name(GetParam().open_status));
    if (GetParam().open_status != slot_file_status::read) {
        EXPECT_EQ(fd, -1);
        return;
    }
    ASSERT_GE(fd, 0);
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    close(fd);
}

const std::string longest = std::string(bound, 'x');

INSTANTIATE_TEST_SUITE_P(
    Kinds, SlotFileKinds,
    ::testing::Values(
        kind_case{"regular", [](const SlotDirectory& s) { return s.regular("f", "state\n"); },
                  slot_file_status::read, "state\n", slot_file_status::read},
        kind_case{"empty", [](const SlotDirectory& s) { return s.regular("f", ""); },
                  slot_file_status::read, "", slot_file_status::read},
        kind_case{"exactly the bound",
                  [](const SlotDirectory& s) { return s.regular("f", longest); },
                  slot_file_status::read, longest, slot_file_status::read},
        kind_case{"one byte over the bound",
                  [](const SlotDirectory& s) { return s.regular("f", longest + "y"); },
                  slot_file_status::too_large, "", slot_file_status::read},
        kind_case{"missing", [](const SlotDirectory& s) { return s.path("absent"); },
                  slot_file_status::missing, "", slot_file_status::missing},
        kind_case{"below a missing directory",
                  [](const SlotDirectory& s) { return s.path("absent/f"); },
                  slot_file_status::missing, "", slot_file_status::missing},
        kind_case{"below a regular file",
                  [](const SlotDirectory& s) { return s.regular("f", "x") + "/g"; },
                  slot_file_status::missing, "", slot_file_status::missing},
        kind_case{"symbolic link to a regular file",
                  [](const SlotDirectory& s) { return make_symlink(s, s.regular("f", "x")); },
                  slot_file_status::not_regular, "", slot_file_status::not_regular},
        kind_case{"symbolic link to dev zero",
                  [](const SlotDirectory& s) { return make_symlink(s, "/dev/zero"); },
                  slot_file_status::not_regular, "", slot_file_status::not_regular},
        kind_case{"dangling symbolic link",
                  [](const SlotDirectory& s) { return make_symlink(s, s.path("absent")); },
                  slot_file_status::not_regular, "", slot_file_status::not_regular},
        kind_case{"device", [](const SlotDirectory&) { return std::string("/dev/zero"); },
                  slot_file_status::not_regular, "", slot_file_status::not_regular},
        kind_case{"fifo without a writer", [](const SlotDirectory& s) { return make_fifo(s); },
                  slot_file_status::not_regular, "", slot_file_status::not_regular},
        kind_case{"socket", [](const SlotDirectory& s) { return make_socket(s); },
                  slot_file_status::not_regular, "", slot_file_status::not_regular},
        kind_case{"directory", [](const SlotDirectory& s) { return s.path(""); },
                  slot_file_status::not_regular, "", slot_file_status::not_regular},
        // A regular file whose size says 0 but whose reads go on: what a file
        // that grows while it is read looks like to the reader.
        kind_case{"file longer than its size says",
                  [](const SlotDirectory&) { return std::string("/proc/self/status"); },
                  slot_file_status::too_large, "", slot_file_status::read},
        // A regular file whose first read fails (address 0 is never mapped).
        kind_case{"file whose read fails",
                  [](const SlotDirectory&) { return std::string("/proc/self/mem"); },
                  slot_file_status::unreadable, "", slot_file_status::read}),
    zf_test::by_case_name());

TEST(SlotFile, ReadsAFileLongerThanItsSizeSaysUpToTheEnd) {
    std::string contents;
    ASSERT_EQ(read_slot_file("/proc/self/status", 1 << 16, contents), slot_file_status::read);
    EXPECT_NE(contents.find("Pid:"), std::string::npos);
}

// Root reads a file of mode 0000, so as root the read is made by a child that
// has become the unprivileged account, as the companion of another user would.
slot_file_status read_as_unprivileged_account(const std::string& path) {
    const pid_t child = fork();
    if (child == 0) {
        constexpr uid_t nobody = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) _exit(100);
        std::string contents;
        _exit(static_cast<int>(read_slot_file(path.c_str(), bound, contents)));
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 100) {
        ADD_FAILURE() << "the child that drops to uid 65534 failed";
        return slot_file_status::read;
    }
    return static_cast<slot_file_status>(WEXITSTATUS(status));
}

TEST(SlotFile, AFileWithoutReadPermissionIsUnreadable) {
    SlotDirectory slot;
    const std::string path = slot.regular("f", "x");
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    if (geteuid() == 0) {
        const std::string dir = path.substr(0, path.rfind('/'));
        ASSERT_EQ(chmod(dir.c_str(), 0711), 0);
        EXPECT_EQ(read_as_unprivileged_account(path), slot_file_status::unreadable);
        return;
    }
    std::string contents;
    EXPECT_EQ(read_slot_file(path.c_str(), bound, contents), slot_file_status::unreadable);
}

// Another account's writer at work on a thread of its own while the reader
// reads: the file is emptied and grown again past the bound, over and over,
// so that reads begin below the bound and the file grows under them. Whatever
// falls in between, the reader never takes more than the bound, and what it
// takes is what the writer wrote at those places.
TEST(SlotFile, AGrowingFileCannotMakeTheReaderReadMore) {
    constexpr std::size_t read_bound = 16 << 10;
    constexpr std::size_t chunk = 1 << 10;
    constexpr int growths = 300;
    SlotDirectory slot;
    const std::string path = slot.regular("f", "");
    std::string pattern;
    for (std::size_t i = 0; i < chunk; ++i) pattern += static_cast<char>('a' + i % 26);

    std::atomic<bool> writing{true};
    std::thread writer([&] {
        const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
        for (int growth = 0; fd >= 0 && growth < growths; ++growth) {
            if (ftruncate(fd, 0) != 0) break;
            for (std::size_t size = 0; size <= 2 * read_bound; size += chunk) {
                if (write(fd, pattern.data(), chunk) != static_cast<ssize_t>(chunk)) break;
            }
        }
        if (fd >= 0) close(fd);
        writing = false;
    });
    int reads = 0, too_large = 0, over_the_bound = 0, reads_with_foreign_bytes = 0;
    while (writing) {
        std::string contents;
        const slot_file_status status = read_slot_file(path.c_str(), read_bound, contents);
        ++reads;
        if (status == slot_file_status::too_large) ++too_large;
        if (contents.size() > read_bound) ++over_the_bound;
        for (std::size_t i = 0; i < contents.size(); ++i) {
            if (contents[i] != pattern[i % chunk]) {
                ++reads_with_foreign_bytes;
                break;
            }
        }
    }
    writer.join();
    EXPECT_EQ(over_the_bound, 0) << "of " << reads << " reads";
    EXPECT_EQ(reads_with_foreign_bytes, 0) << "reads with bytes the writer did not write there";
    // Both sides of the bound were met, or the race was never run.
    EXPECT_GT(too_large, 0) << "of " << reads << " reads";
    EXPECT_LT(too_large, reads);
}

// The library's rule for link files, case by case, against the library.
class SlotLink : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(getcwd(old_dir_, sizeof old_dir_), nullptr);
        ASSERT_EQ(chdir(slot_.path("").c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(old_dir_), 0); }

    static std::string library_resolution(const char* name) {
        char physical[256] = "untouched";
        EXPECT_EQ(boinc_resolve_filename(name, physical, sizeof physical), 0);
        return physical;
    }

    SlotDirectory slot_;
    char old_dir_[4096];
};

TEST_F(SlotLink, ResolvesEveryRegularLinkFileAsTheLibraryDoes) {
    const std::string long_path(300, 'p');
    const struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"plain", "<soft_link>../../projects/p/poster.jpg</soft_link>"},
        {"with newline", "<soft_link>../../projects/p/poster.jpg</soft_link>\n"},
        {"text before the tag", "junk<soft_link>a/b</soft_link>\n"},
        {"blanks around the path", "<soft_link>  a/b \t</soft_link>\n"},
        {"xml escapes", "<soft_link>a&amp;b&lt;c&gt;</soft_link>\n"},
        {"cdata", "<soft_link><![CDATA[a/b]]></soft_link>\n"},
        {"empty path", "<soft_link></soft_link>\n"},
        {"two links", "<soft_link>a</soft_link><soft_link>b</soft_link>\n"},
        {"no closing tag", "<soft_link>a/b\n"},
        {"closing tag on the next line", "<soft_link>a/b\n</soft_link>\n"},
        {"link on the second line", "\n<soft_link>a/b</soft_link>\n"},
        {"tag with a blank", "<soft_link >a</soft_link>\n"},
        {"nul inside the path", std::string("<soft_link>a\0b</soft_link>\n", 27)},
        {"path longer than the name buffer", "<soft_link>" + long_path + "</soft_link>\n"},
        {"first line longer than the line buffer",
         std::string(505, ' ') + "<soft_link>ab</soft_link>\n"},
        {"link just inside the line buffer", std::string(480, ' ') + "<soft_link>ab</soft_link>\n"},
        {"larger than the read bound", "<soft_link>a/b</soft_link>\n" + std::string(5000, 'x')},
        {"empty file", ""},
        {"a jpeg", "\xff\xd8\xff\xe0\x00\x10JFIF"},
    };
    for (const auto& c : cases) {
        zf_test::write_file("QuenlartPoster3.jpg", c.content);
        EXPECT_EQ(resolve_slot_link("QuenlartPoster3.jpg"),
                  library_resolution("QuenlartPoster3.jpg"))
            << c.name;
    }
}

TEST_F(SlotLink, GivesTheLogicalNameForAnythingButARegularFile) {
    EXPECT_EQ(resolve_slot_link("absent"), "absent");
    EXPECT_EQ(library_resolution("absent"), "absent");

    zf_test::write_file("target", "<soft_link>a/b</soft_link>\n");
    ASSERT_EQ(symlink("target", "link"), 0);
    EXPECT_EQ(resolve_slot_link("link"), "link");
    EXPECT_EQ(library_resolution("link"), "link");

    ASSERT_EQ(mkdir("directory", 0755), 0);
    EXPECT_EQ(resolve_slot_link("directory"), "directory");
    EXPECT_EQ(library_resolution("directory"), "directory");

    // The library would wait for a writer here; the companion must not.
    ASSERT_EQ(mkfifo("fifo", 0644), 0);
    EXPECT_EQ(resolve_slot_link("fifo"), "fifo");
}

}  // namespace
