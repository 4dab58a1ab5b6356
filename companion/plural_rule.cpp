// A recursive-descent evaluator of the C subset that gettext's plural
// expressions use: n, decimal numbers, ! * / % + - < > <= >= == != && || ?:
// and parentheses. The expression comes from a catalogue file, so it is
// bounded in depth and every fault ends in "no form".
#include "companion/plural_rule.h"

#include <cctype>
#include <cstring>

namespace {

constexpr int deepest_nesting = 64;

class evaluator {
  public:
    evaluator(const std::string& text, unsigned long n) : text_(text), n_(n) {}

    std::optional<unsigned long> whole() {
        const unsigned long value = conditional();
        skip_blanks();
        if (failed_ || at_ != text_.size()) return std::nullopt;
        return value;
    }

  private:
    void skip_blanks() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    bool take(const char* token) {
        skip_blanks();
        const std::size_t length = std::strlen(token);
        if (text_.compare(at_, length, token) != 0) return false;
        // "<" must not take the first half of "<=", nor "!" of "!=".
        if (length == 1 && at_ + 1 < text_.size() && text_[at_ + 1] == '=' &&
            std::strchr("<>!=", token[0]))
            return false;
        at_ += length;
        return true;
    }
    unsigned long fail() {
        failed_ = true;
        return 0;
    }

    unsigned long conditional() {
        if (++depth_ > deepest_nesting) return fail();
        const unsigned long condition = logical_or();
        unsigned long value = condition;
        if (take("?")) {
            const unsigned long if_true = conditional();
            if (!take(":")) return fail();
            const unsigned long if_false = conditional();
            value = condition ? if_true : if_false;
        }
        --depth_;
        return value;
    }
    unsigned long logical_or() {
        unsigned long value = logical_and();
        while (!failed_ && take("||")) {
            const unsigned long right = logical_and();
            value = value || right;
        }
        return value;
    }
    unsigned long logical_and() {
        unsigned long value = equality();
        while (!failed_ && take("&&")) {
            const unsigned long right = equality();
            value = value && right;
        }
        return value;
    }
    unsigned long equality() {
        unsigned long value = relation();
        while (!failed_) {
            if (take("==")) {
                value = value == relation();
            } else if (take("!=")) {
                value = value != relation();
            } else {
                break;
            }
        }
        return value;
    }
    unsigned long relation() {
        unsigned long value = sum();
        while (!failed_) {
            if (take("<=")) {
                value = value <= sum();
            } else if (take(">=")) {
                value = value >= sum();
            } else if (take("<")) {
                value = value < sum();
            } else if (take(">")) {
                value = value > sum();
            } else {
                break;
            }
        }
        return value;
    }
    unsigned long sum() {
        unsigned long value = product();
        while (!failed_) {
            if (take("+")) {
                value += product();
            } else if (take("-")) {
                value -= product();
            } else {
                break;
            }
        }
        return value;
    }
    unsigned long product() {
        unsigned long value = unary();
        while (!failed_) {
            if (take("*")) {
                value *= unary();
            } else if (take("/") || take("%")) {
                const bool divide = text_[at_ - 1] == '/';
                const unsigned long right = unary();
                if (right == 0) return fail();
                value = divide ? value / right : value % right;
            } else {
                break;
            }
        }
        return value;
    }
    unsigned long unary() {
        if (take("!")) {
            if (++depth_ > deepest_nesting) return fail();
            const unsigned long value = !unary();
            --depth_;
            return value;
        }
        return primary();
    }
    unsigned long primary() {
        skip_blanks();
        if (take("(")) {
            const unsigned long value = conditional();
            if (!take(")")) return fail();
            return value;
        }
        if (take("n")) return n_;
        if (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
            unsigned long value = 0;
            while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
                if (value > 100000000) return fail();
                value = value * 10 + static_cast<unsigned long>(text_[at_++] - '0');
            }
            return value;
        }
        return fail();
    }

    const std::string& text_;
    const unsigned long n_;
    std::size_t at_ = 0;
    int depth_ = 0;
    bool failed_ = false;
};

// The text after "name=" up to the next ';' in the header's Plural-Forms line.
std::optional<std::string> plural_forms_field(const std::string& header, const char* name) {
    const std::size_t line = header.find("Plural-Forms:");
    if (line == std::string::npos) return std::nullopt;
    const std::size_t end_of_line = header.find('\n', line);
    const std::string forms = header.substr(line, end_of_line - line);
    const std::size_t at = forms.find(name);
    if (at == std::string::npos) return std::nullopt;
    const std::size_t start = at + std::strlen(name);
    return forms.substr(start, forms.find(';', start) - start);
}

}  // namespace

std::optional<plural_rule> plural_rule_from_header(const std::string& header) {
    const std::optional<std::string> forms = plural_forms_field(header, "nplurals=");
    const std::optional<std::string> expression = plural_forms_field(header, "plural=");
    if (!forms || !expression || forms->empty() || forms->size() > 2) return std::nullopt;
    plural_rule rule;
    rule.forms = 0;
    for (const char c : *forms) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        rule.forms = rule.forms * 10 + static_cast<unsigned>(c - '0');
    }
    rule.expression = *expression;
    if (rule.forms == 0 || !plural_form(rule, 1)) return std::nullopt;
    return rule;
}

std::optional<unsigned> plural_form(const plural_rule& rule, unsigned long n) {
    const std::optional<unsigned long> index = evaluator(rule.expression, n).whole();
    if (!index || *index >= rule.forms) return std::nullopt;
    return static_cast<unsigned>(*index);
}
