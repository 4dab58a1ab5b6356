#include "companion/companion_words.h"

#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <cstdlib>

namespace {

bool is_c_locale(const std::string& name) {
    return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// "de_DE.UTF-8@euro" -> {"de_DE", "de"}
void add_language(const std::string& locale, std::vector<std::string>& languages) {
    if (is_c_locale(locale)) return;
    const std::string name = locale.substr(0, locale.find_first_of(".@"));
    // Only names that look like "ll" or "ll_CC": a file name is made of it.
    for (const char c : name) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        if (!allowed) return;
    }
    if (name.empty() || name.size() > 16) return;
    languages.push_back(name);
    const std::size_t underscore = name.find('_');
    if (underscore != std::string::npos) languages.push_back(name.substr(0, underscore));
}

std::string first_set(const char* (*getenv)(const char*),
                      std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const char* value = getenv(name);
        if (value && *value) return value;
    }
    return {};
}

std::string own_executable() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) return {};
    return std::string(path, static_cast<std::size_t>(length));
}

std::string locale_decimal_mark() {
    const locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (!numeric) return ".";
    const char* mark = nl_langinfo_l(RADIXCHAR, numeric);
    std::string shown = mark && *mark ? mark : ".";
    freelocale(numeric);
    return shown;
}

const char* environment(const char* name) { return std::getenv(name); }

const std::vector<std::string>* find_message(const companion_words& words, const char* message) {
    if (!words.catalogue) return nullptr;
    const auto found = words.catalogue->messages.find(message);
    if (found == words.catalogue->messages.end() || found->second.empty()) return nullptr;
    return &found->second;
}

}  // namespace

std::vector<std::string> desktop_languages(const char* (*getenv)(const char*)) {
    std::vector<std::string> languages;
    const std::string locale = first_set(getenv, {"LC_ALL", "LC_MESSAGES", "LANG"});
    if (is_c_locale(locale)) return languages;
    const char* list = getenv("LANGUAGE");
    std::string rest = list ? list : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        add_language(rest.substr(0, colon), languages);
        rest = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    }
    add_language(locale, languages);
    return languages;
}

std::string catalogue_path(const std::string& executable, const std::string& language) {
    return executable + "_" + language + ".mo";
}

companion_words desktop_words() {
    companion_words words;
    words.decimal_mark = locale_decimal_mark();
    const std::string executable = own_executable();
    if (executable.empty()) return words;
    for (const std::string& language : desktop_languages(environment)) {
        words.catalogue = read_message_catalogue(catalogue_path(executable, language));
        if (words.catalogue) break;
    }
    return words;
}

std::string translate(const companion_words& words, const char* message) {
    const std::vector<std::string>* found = find_message(words, message);
    if (!found || found->front().empty()) return message;
    return found->front();
}

std::string translate_plural(const companion_words& words, const char* singular, const char* plural,
                             unsigned long n) {
    const std::vector<std::string>* found = find_message(words, singular);
    if (found && words.catalogue->plural) {
        const std::optional<unsigned> form = plural_form(*words.catalogue->plural, n);
        if (form && *form < found->size() && !(*found)[*form].empty()) return (*found)[*form];
    }
    return n == 1 ? singular : plural;
}

std::string fill_in(const std::string& format, std::initializer_list<std::string> values) {
    const std::vector<std::string> value(values);
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        if (format[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (format[i + 1] == 's' && next < value.size()) {
            out += value[next++];
            ++i;
        } else if (format[i + 1] >= '1' && format[i + 1] <= '9' && i + 3 < format.size() &&
                   format[i + 2] == '$' && format[i + 3] == 's' &&
                   static_cast<std::size_t>(format[i + 1] - '1') < value.size()) {
            out += value[static_cast<std::size_t>(format[i + 1] - '1')];
            i += 3;
        } else {
            out += format[i];
        }
    }
    return out;
}
