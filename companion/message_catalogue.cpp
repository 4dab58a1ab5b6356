#include "companion/message_catalogue.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

namespace {

constexpr std::uint32_t mo_magic = 0x950412de;
constexpr std::uint32_t mo_magic_swapped = 0xde120495;
constexpr off_t largest_catalogue = 1 << 20;

class mo_reader {
  public:
    explicit mo_reader(const std::string& bytes) : bytes_(bytes) {}

    bool read_word(std::size_t at, std::uint32_t& word) const {
        if (at > bytes_.size() || bytes_.size() - at < 4) return false;
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + at);
        word = swapped_ ? (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                           std::uint32_t{p[2]} << 8 | p[3])
                        : (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
                           std::uint32_t{p[1]} << 8 | p[0]);
        return true;
    }
    bool read_magic() {
        std::uint32_t magic = 0;
        if (!read_word(0, magic)) return false;
        if (magic == mo_magic) return true;
        swapped_ = magic == mo_magic_swapped;
        return swapped_;
    }
    // The string that table entry i describes (length, then offset).
    bool read_string(std::uint32_t table, std::uint32_t i, std::string& text) const {
        std::uint32_t length = 0;
        std::uint32_t offset = 0;
        const std::size_t entry = std::size_t{table} + std::size_t{i} * 8;
        if (!read_word(entry, length) || !read_word(entry + 4, offset)) return false;
        if (offset > bytes_.size() || bytes_.size() - offset < length) return false;
        text.assign(bytes_, offset, length);
        return true;
    }

  private:
    const std::string& bytes_;
    bool swapped_ = false;
};

// "a\0b\0c" -> {"a", "b", "c"}
std::vector<std::string> split_at_nul(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\0', start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

}  // namespace

std::optional<message_catalogue> parse_message_catalogue(const std::string& bytes) {
    mo_reader reader(bytes);
    std::uint32_t revision = 0;
    std::uint32_t count = 0;
    std::uint32_t originals = 0;
    std::uint32_t translations = 0;
    if (!reader.read_magic() || !reader.read_word(4, revision) || (revision >> 16) != 0 ||
        !reader.read_word(8, count) || !reader.read_word(12, originals) ||
        !reader.read_word(16, translations) || count > bytes.size() / 16)
        return std::nullopt;
    message_catalogue catalogue;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string original;
        std::string translated;
        if (!reader.read_string(originals, i, original) ||
            !reader.read_string(translations, i, translated))
            return std::nullopt;
        if (original.empty()) {
            catalogue.plural = plural_rule_from_header(translated);
            continue;
        }
        // A context ("ctxt\4id") or a plural's second msgid are not looked up by.
        const std::string msgid = original.substr(0, original.find('\0'));
        catalogue.messages[msgid] = split_at_nul(translated);
    }
    return catalogue;
}

std::optional<message_catalogue> read_message_catalogue(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    std::string bytes;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= largest_catalogue) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = read(fd, &bytes[got], bytes.size() - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
    }
    close(fd);
    if (bytes.empty()) return std::nullopt;
    return parse_message_catalogue(bytes);
}
