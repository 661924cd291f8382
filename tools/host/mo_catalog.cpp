#include "mo_catalog.h"

#include <cctype>

namespace pixavon::host {

struct PluralRule::Node {
    enum class Op { kN, kNumber, kNot, kBinary, kChoice } op = Op::kNumber;
    std::string_view binary;  // "||", "+", ... for kBinary
    uint64_t value = 0;
    std::shared_ptr<const Node> a, b, c;
};

namespace {

using Node = PluralRule::Node;
using NodePtr = std::shared_ptr<const Node>;

// Real rules have a few dozen nodes; a larger one is not a rule but damage,
// and its size bounds the recursion of parsing and evaluating it.
constexpr int kMaxNodes = 200;

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    NodePtr parse() {
        NodePtr root = choice();
        skip_space();
        return root != nullptr && at_ == text_.size() ? root : nullptr;
    }

private:
    void skip_space() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    // Takes `token` if it comes next (and, for a one-character operator, is
    // not the start of a longer one).
    bool take(std::string_view token) {
        skip_space();
        if (text_.substr(at_, token.size()) != token) return false;
        if (token.size() == 1 && at_ + 1 < text_.size()) {
            const char next = text_[at_ + 1];
            if ((token == "<" || token == ">" || token == "!") && next == '=') return false;
        }
        at_ += token.size();
        return true;
    }
    NodePtr make(Node node) {
        if (++nodes_ > kMaxNodes) return nullptr;
        return std::make_shared<const Node>(std::move(node));
    }
    NodePtr binary(std::string_view op, NodePtr a, NodePtr b) {
        if (a == nullptr || b == nullptr) return nullptr;
        return make(Node{Node::Op::kBinary, op, 0, std::move(a), std::move(b), nullptr});
    }

    NodePtr choice() {
        NodePtr condition = level(0);
        if (condition == nullptr || !take("?")) return condition;
        NodePtr yes = choice();
        if (yes == nullptr || !take(":")) return nullptr;
        NodePtr no = choice();
        if (no == nullptr) return nullptr;
        return make(Node{Node::Op::kChoice, {}, 0, std::move(condition), std::move(yes), std::move(no)});
    }

    // The binary operators from the loosest binding to the tightest.
    NodePtr level(size_t depth) {
        static constexpr std::string_view kLevels[][4] = {
            {"||"}, {"&&"}, {"==", "!="}, {"<=", ">=", "<", ">"}, {"+", "-"}, {"*", "/", "%"}};
        if (depth == std::size(kLevels)) return unary();
        NodePtr left = level(depth + 1);
        while (left != nullptr) {
            std::string_view found;
            for (const std::string_view op : kLevels[depth]) {
                if (!op.empty() && take(op)) {
                    found = op;
                    break;
                }
            }
            if (found.empty()) break;
            left = binary(found, left, level(depth + 1));
        }
        return left;
    }

    NodePtr unary() {
        if (++nesting_ > kMaxNodes) return nullptr;
        NodePtr result;
        if (take("!")) {
            NodePtr operand = unary();
            if (operand != nullptr) result = make(Node{Node::Op::kNot, {}, 0, std::move(operand), nullptr, nullptr});
        } else if (take("(")) {
            result = choice();
            if (result != nullptr && !take(")")) result = nullptr;
        } else if (take("n")) {
            result = make(Node{Node::Op::kN, {}, 0, nullptr, nullptr, nullptr});
        } else {
            skip_space();
            if (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
                uint64_t value = 0;
                while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
                    if (value > UINT32_MAX) return nullptr;
                    value = value * 10 + static_cast<uint64_t>(text_[at_++] - '0');
                }
                result = make(Node{Node::Op::kNumber, {}, value, nullptr, nullptr, nullptr});
            }
        }
        --nesting_;
        return result;
    }

    std::string_view text_;
    size_t at_ = 0;
    int nodes_ = 0;
    int nesting_ = 0;
};

uint64_t evaluate_node(const Node& node, uint64_t n) {
    switch (node.op) {
        case Node::Op::kN:
            return n;
        case Node::Op::kNumber:
            return node.value;
        case Node::Op::kNot:
            return evaluate_node(*node.a, n) == 0 ? 1 : 0;
        case Node::Op::kChoice:
            return evaluate_node(*node.a, n) != 0 ? evaluate_node(*node.b, n) : evaluate_node(*node.c, n);
        case Node::Op::kBinary:
            break;
    }
    const uint64_t a = evaluate_node(*node.a, n);
    // The two logical operators look at their right side only when they must.
    if (node.binary == "||") return a != 0 || evaluate_node(*node.b, n) != 0 ? 1 : 0;
    if (node.binary == "&&") return a != 0 && evaluate_node(*node.b, n) != 0 ? 1 : 0;
    const uint64_t b = evaluate_node(*node.b, n);
    if (node.binary == "==") return a == b ? 1 : 0;
    if (node.binary == "!=") return a != b ? 1 : 0;
    if (node.binary == "<") return a < b ? 1 : 0;
    if (node.binary == ">") return a > b ? 1 : 0;
    if (node.binary == "<=") return a <= b ? 1 : 0;
    if (node.binary == ">=") return a >= b ? 1 : 0;
    if (node.binary == "+") return a + b;
    if (node.binary == "-") return a - b;
    if (node.binary == "*") return a * b;
    if (node.binary == "/") return b == 0 ? 0 : a / b;
    return b == 0 ? 0 : a % b;  // "%"
}

// The value of `key` ("nplurals=", "plural=") in a Plural-Forms header line,
// up to its ';'.
std::optional<std::string_view> header_field(std::string_view line, std::string_view key) {
    const size_t at = line.find(key);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view value = line.substr(at + key.size());
    const size_t end = value.find(';');
    return end == std::string_view::npos ? value : value.substr(0, end);
}

}  // namespace

std::optional<PluralRule> PluralRule::parse(std::string_view expression) {
    Parser parser(expression);
    NodePtr root = parser.parse();
    if (root == nullptr) return std::nullopt;
    PluralRule rule;
    rule.root_ = std::move(root);
    return rule;
}

PluralRule PluralRule::germanic() { return *parse("n != 1"); }

uint64_t PluralRule::evaluate(uint64_t n) const { return root_ != nullptr ? evaluate_node(*root_, n) : (n != 1); }

std::optional<MoCatalog> MoCatalog::parse(std::vector<uint8_t> bytes) {
    constexpr uint32_t kMagic = 0x950412de;
    const uint64_t size = bytes.size();
    if (size < 28) return std::nullopt;
    // Kept by the catalogue: its strings are found in place.
    auto owned = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    const uint8_t* data = owned->data();
    const uint32_t first = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                           (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
    bool little;
    if (first == kMagic) {
        little = true;
    } else if (first == 0xde120495) {
        little = false;
    } else {
        return std::nullopt;
    }
    const auto word = [&](uint64_t at) -> std::optional<uint32_t> {
        if (at + 4 > size) return std::nullopt;
        const uint8_t* p = data + at;
        return little ? static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                            (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24)
                      : static_cast<uint32_t>(p[3]) | (static_cast<uint32_t>(p[2]) << 8) |
                            (static_cast<uint32_t>(p[1]) << 16) | (static_cast<uint32_t>(p[0]) << 24);
    };
    const uint32_t revision = *word(4);
    // Major revisions 0 and 1 share the tables read here (1 adds others).
    if ((revision >> 16) > 1) return std::nullopt;
    const uint64_t count = *word(8);
    const uint64_t originals = *word(12);
    const uint64_t translations = *word(16);
    if (originals + count * 8 > size || translations + count * 8 > size) return std::nullopt;

    const char* base = reinterpret_cast<const char*>(data);
    // The string described at `table` + 8 * `index`: it and its terminating
    // NUL must lie inside the file.
    const auto string_at = [&](uint64_t table, uint64_t index) -> std::optional<std::string_view> {
        const uint64_t length = *word(table + index * 8);
        const uint64_t offset = *word(table + index * 8 + 4);
        if (offset + length >= size || data[offset + length] != 0) return std::nullopt;
        return std::string_view(base + offset, length);
    };

    MoCatalog catalog;
    std::string_view header;
    for (uint64_t i = 0; i < count; ++i) {
        const std::optional<std::string_view> original = string_at(originals, i);
        const std::optional<std::string_view> translation = string_at(translations, i);
        if (!original || !translation) return std::nullopt;
        // A plural entry's original is "singular\0plural": it is found by its
        // singular.
        const std::string_view key = original->substr(0, original->find('\0'));
        if (key.empty()) {
            header = *translation;
        } else if (!translation->empty()) {
            catalog.entries_.emplace(key, *translation);
        }
    }
    size_t line_start = 0;
    while (line_start < header.size()) {
        size_t line_end = header.find('\n', line_start);
        if (line_end == std::string_view::npos) line_end = header.size();
        const std::string_view line = header.substr(line_start, line_end - line_start);
        line_start = line_end + 1;
        if (line.substr(0, 13) != "Plural-Forms:") continue;
        const std::optional<std::string_view> plurals = header_field(line, "nplurals=");
        const std::optional<std::string_view> expression = header_field(line, "plural=");
        uint32_t forms = 0;
        bool digits = plurals.has_value() && !plurals->empty();
        if (digits) {
            for (const char c : *plurals) {
                if (c < '0' || c > '9' || forms > 1000) {
                    digits = false;
                    break;
                }
                forms = forms * 10 + static_cast<uint32_t>(c - '0');
            }
        }
        std::optional<PluralRule> rule = expression ? PluralRule::parse(*expression) : std::nullopt;
        if (digits && forms > 0 && rule) {
            catalog.plural_count_ = forms;
            catalog.rule_ = std::move(*rule);
        }
    }
    catalog.bytes_ = std::move(owned);
    return catalog;
}

const char* MoCatalog::find(std::string_view msgid) const {
    const auto it = entries_.find(msgid);
    // The first form; each form ends in a NUL inside the file.
    return it == entries_.end() ? nullptr : it->second.data();
}

const char* MoCatalog::find_plural(std::string_view singular, uint64_t n) const {
    const auto it = entries_.find(singular);
    if (it == entries_.end()) return nullptr;
    uint64_t index = rule_.evaluate(n);
    if (index >= plural_count_) return nullptr;
    std::string_view forms = it->second;
    while (index > 0) {
        const size_t end = forms.find('\0');
        if (end == std::string_view::npos) return nullptr;  // fewer forms than the rule names
        forms.remove_prefix(end + 1);
        --index;
    }
    return forms.data();
}

}  // namespace pixavon::host
