#include "authoring/svg/Css.h"

#include <algorithm>

#include "authoring/svg/Values.h"

namespace vemo::svg {

namespace {

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '_' || (unsigned char)c >= 0x80 || c == '\\';
}

// True when text[*i] belongs to a quoted string, its quotes included; *quote is the open
// string's quote (0 outside). A backslash in a string takes the next character with it: *i
// moves onto that one.
bool InString(std::string_view text, size_t* i, char* quote) {
    char c = text[*i];
    if (*quote != 0) {
        if (c == '\\') {
            ++*i;
        } else if (c == *quote) {
            *quote = 0;
        }
        return true;
    }
    if (c == '"' || c == '\'') {
        *quote = c;
        return true;
    }
    return false;
}

// Strips comments so that later steps need not know about them.
std::string StripComments(std::string_view css) {
    std::string out;
    out.reserve(css.size());
    size_t i = 0;
    char quote = 0;
    while (i < css.size()) {
        char c = css[i];
        size_t from = i;
        if (InString(css, &i, &quote)) {
            ++i;
            out.append(css.substr(from, i - from));
        } else if (c == '/' && i + 1 < css.size() && css[i + 1] == '*') {
            size_t end = css.find("*/", i + 2);
            i = end == std::string_view::npos ? css.size() : end + 2;
            out += ' ';
        } else if (css.compare(i, 4, "<!--") == 0) {
            i += 4;
            out += ' ';
        } else if (css.compare(i, 3, "-->") == 0) {
            i += 3;
            out += ' ';
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// The position of the '}' that closes the block opened just before `from`, or npos.
size_t BlockEnd(std::string_view s, size_t from) {
    int depth = 1;
    char quote = 0;
    for (size_t i = from; i < s.size(); ++i) {
        if (InString(s, &i, &quote)) {
            continue;
        }
        char c = s[i];
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0) {
                return i;
            }
        }
    }
    return std::string_view::npos;
}

std::string ReadName(Scanner& scan) {
    std::string out;
    while (!scan.AtEnd() && IsNameChar(scan.Peek())) {
        char c = scan.Peek();
        if (c == '\\') {
            scan.Advance(1);
            if (scan.AtEnd()) {
                break;
            }
            c = scan.Peek();
        }
        out += c;
        scan.Advance(1);
    }
    return out;
}

bool ParseCompound(Scanner& scan, Compound* out, uint32_t* specificity) {
    bool any = false;
    if (scan.Peek() == '*') {
        scan.Advance(1);
        any = true;
    } else if (IsNameChar(scan.Peek())) {
        out->type = ReadName(scan);
        *specificity += 1;
        any = true;
    }
    for (;;) {
        char c = scan.Peek();
        if (c == '#') {
            scan.Advance(1);
            std::string id = ReadName(scan);
            if (id.empty()) {
                return false;
            }
            if (!out->id.empty() && out->id != id) {
                out->never = true;
            }
            out->id = id;
            *specificity += 1 << 20;
        } else if (c == '.') {
            scan.Advance(1);
            std::string name = ReadName(scan);
            if (name.empty()) {
                return false;
            }
            out->classes.push_back(name);
            *specificity += 1 << 10;
        } else if (c == '[') {
            scan.Advance(1);
            scan.SkipSpace();
            Compound::AttributeTest test;
            test.name = ReadName(scan);
            scan.SkipSpace();
            if (test.name.empty()) {
                return false;
            }
            char op = scan.Peek();
            if (op == '=') {
                test.op = '=';
                scan.Advance(1);
            } else if ((op == '~' || op == '^' || op == '$' || op == '*' || op == '|') &&
                       scan.Rest().size() > 1 && scan.Rest()[1] == '=') {
                test.op = op;
                scan.Advance(2);
            }
            if (test.op) {
                scan.SkipSpace();
                char q = scan.Peek();
                if (q == '"' || q == '\'') {
                    scan.Advance(1);
                    std::string_view rest = scan.Rest();
                    size_t end = rest.find(q);
                    if (end == std::string_view::npos) {
                        return false;
                    }
                    test.value = std::string(rest.substr(0, end));
                    scan.Advance(end + 1);
                } else {
                    test.value = ReadName(scan);
                }
                scan.SkipSpace();
                if (test.op == '|') {
                    out->never = true;
                }
            }
            if (!scan.Consume(']')) {
                return false;
            }
            out->attributes.push_back(test);
            *specificity += 1 << 10;
        } else if (c == ':') {
            scan.Advance(1);
            bool element = scan.Consume(':');
            std::string name = Lower(ReadName(scan));
            if (name.empty()) {
                return false;
            }
            if (scan.Peek() == '(') {
                // A functional pseudo-class: skip its argument, never match.
                int depth = 0;
                while (!scan.AtEnd()) {
                    char p = scan.Peek();
                    scan.Advance(1);
                    if (p == '(') {
                        ++depth;
                    } else if (p == ')' && --depth == 0) {
                        break;
                    }
                }
                out->never = true;
            } else if (!element && name == "first-child") {
                out->firstChild = true;
            } else {
                out->never = true;
            }
            *specificity += element ? 1 : (1 << 10);
        } else {
            break;
        }
        any = true;
    }
    return any;
}

bool ContainsWord(std::string_view list, std::string_view word) {
    size_t i = 0;
    while (i < list.size()) {
        std::string_view w = NextWord(list, &i);
        if (!w.empty() && w == word) {
            return true;
        }
    }
    return false;
}

bool MatchesCompound(const Compound& c, const SelectorTarget& e) {
    if (c.never) {
        return false;
    }
    if (!c.type.empty() && c.type != e.LocalName()) {
        return false;
    }
    if (!c.id.empty() && c.id != e.Id()) {
        return false;
    }
    for (const std::string& cls : c.classes) {
        if (!e.HasClass(cls)) {
            return false;
        }
    }
    for (const Compound::AttributeTest& t : c.attributes) {
        std::string_view v;
        if (!e.Attribute(t.name, &v)) {
            return false;
        }
        switch (t.op) {
        case '=':
            if (v != t.value) {
                return false;
            }
            break;
        case '~':
            if (!ContainsWord(v, t.value)) {
                return false;
            }
            break;
        case '^':
            if (t.value.empty() || v.substr(0, t.value.size()) != t.value) {
                return false;
            }
            break;
        case '$':
            if (t.value.empty() || v.size() < t.value.size() ||
                v.substr(v.size() - t.value.size()) != t.value) {
                return false;
            }
            break;
        case '*':
            if (t.value.empty() || v.find(t.value) == std::string_view::npos) {
                return false;
            }
            break;
        default:
            break;
        }
    }
    if (c.firstChild && e.PreviousElement() != nullptr) {
        return false;
    }
    return true;
}

// Matches parts[0..index] with parts[index] on e. Descendant and sibling combinators try every
// candidate; each element looked at uses up one step of the budget, so hostile selectors stop.
bool MatchFrom(const Selector& s, size_t index, const SelectorTarget& e, int* budget) {
    if (--*budget < 0 || !MatchesCompound(s.parts[index], e)) {
        return false;
    }
    if (index == 0) {
        return true;
    }
    char comb = s.combinators[index - 1];
    if (comb == '>') {
        const SelectorTarget* p = e.ParentElement();
        return p != nullptr && MatchFrom(s, index - 1, *p, budget);
    }
    if (comb == '+') {
        const SelectorTarget* p = e.PreviousElement();
        return p != nullptr && MatchFrom(s, index - 1, *p, budget);
    }
    const bool sibling = comb == '~';
    for (const SelectorTarget* p = sibling ? e.PreviousElement() : e.ParentElement(); p != nullptr;
         p = sibling ? p->PreviousElement() : p->ParentElement()) {
        if (MatchFrom(s, index - 1, *p, budget)) {
            return true;
        }
        if (*budget < 0) {
            return false;
        }
    }
    return false;
}

} // namespace

void ParseDeclarations(std::string_view text, std::vector<Declaration>* out) {
    size_t i = 0;
    while (i < text.size()) {
        // One declaration runs to the next ';' outside strings and brackets.
        size_t b = i;
        int depth = 0;
        char quote = 0;
        for (; i < text.size(); ++i) {
            if (InString(text, &i, &quote)) {
                continue;
            }
            char c = text[i];
            if (c == '(') {
                ++depth;
            } else if (c == ')') {
                depth = depth > 0 ? depth - 1 : 0;
            } else if (c == ';' && depth == 0) {
                break;
            }
        }
        std::string_view decl = text.substr(b, (i < text.size() ? i : text.size()) - b);
        ++i;
        size_t colon = decl.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        std::string_view name = Trim(decl.substr(0, colon));
        std::string_view value = Trim(decl.substr(colon + 1));
        if (name.empty() || value.empty()) {
            continue;
        }
        Declaration d;
        size_t bang = value.rfind('!');
        if (bang != std::string_view::npos && EqualsNoCase(Trim(value.substr(bang + 1)), "important")) {
            d.important = true;
            value = Trim(value.substr(0, bang));
        }
        d.name = Lower(name);
        d.value = std::string(value);
        out->push_back(std::move(d));
    }
}

bool ParseSelector(std::string_view text, Selector* selector) {
    Selector s;
    Scanner scan(Trim(text));
    if (scan.AtEnd()) {
        return false;
    }
    for (;;) {
        Compound c;
        if (!ParseCompound(scan, &c, &s.specificity)) {
            return false;
        }
        s.parts.push_back(std::move(c));
        if (s.parts.size() > 32) {
            return false;
        }
        bool space = IsSpace(scan.Peek());
        scan.SkipSpace();
        if (scan.AtEnd()) {
            break;
        }
        char comb = ' ';
        char c2 = scan.Peek();
        if (c2 == '>' || c2 == '+' || c2 == '~') {
            comb = c2;
            scan.Advance(1);
            scan.SkipSpace();
        } else if (!space) {
            return false;
        }
        s.combinators.push_back(comb);
    }
    *selector = std::move(s);
    return true;
}

bool Selector::Matches(const SelectorTarget& element, int* budget) const {
    if (parts.empty()) {
        return false;
    }
    return MatchFrom(*this, parts.size() - 1, element, budget);
}

void StyleSheet::Parse(std::string_view cssText) {
    indexed = false;
    std::string css = StripComments(cssText);
    std::string_view s(css);
    size_t i = 0;
    while (i < s.size() && rules.size() < kMaxRules) {
        while (i < s.size() && (IsSpace(s[i]) || s[i] == ';')) {
            ++i;
        }
        if (i >= s.size()) {
            break;
        }
        if (s[i] == '@') {
            // Skip the at-rule: to its ';' or past its block, whichever comes first.
            size_t semi = s.find(';', i);
            size_t open = s.find('{', i);
            if (open != std::string_view::npos && (semi == std::string_view::npos || open < semi)) {
                size_t end = BlockEnd(s, open + 1);
                i = end == std::string_view::npos ? s.size() : end + 1;
            } else {
                i = semi == std::string_view::npos ? s.size() : semi + 1;
            }
            continue;
        }
        size_t open = s.find('{', i);
        if (open == std::string_view::npos) {
            break;
        }
        size_t end = BlockEnd(s, open + 1);
        std::string_view prelude = s.substr(i, open - i);
        std::string_view body = s.substr(open + 1, (end == std::string_view::npos ? s.size() : end) - open - 1);
        i = end == std::string_view::npos ? s.size() : end + 1;

        std::vector<Selector> selectors;
        bool ok = true;
        size_t b = 0;
        while (b <= prelude.size()) {
            size_t comma = prelude.find(',', b);
            size_t e = comma == std::string_view::npos ? prelude.size() : comma;
            Selector sel;
            if (!ParseSelector(prelude.substr(b, e - b), &sel)) {
                ok = false;
                break;
            }
            selectors.push_back(std::move(sel));
            if (comma == std::string_view::npos) {
                break;
            }
            b = comma + 1;
        }
        if (!ok) {
            continue;
        }
        std::vector<Declaration> decls;
        ParseDeclarations(body, &decls);
        if (decls.empty()) {
            continue;
        }
        for (Selector& sel : selectors) {
            if (rules.size() >= kMaxRules) {
                break;
            }
            Rule r;
            r.selector = std::move(sel);
            r.declarations = decls;
            r.order = rules.size();
            rules.push_back(std::move(r));
        }
    }
}

void StyleSheet::Index() const {
    byId.clear();
    byClass.clear();
    byType.clear();
    universal.clear();
    for (size_t i = 0; i < rules.size(); ++i) {
        const Compound& last = rules[i].selector.parts.back();
        if (last.never) {
            continue;
        }
        if (!last.id.empty()) {
            byId[last.id].push_back(i);
        } else if (!last.classes.empty()) {
            byClass[last.classes[0]].push_back(i);
        } else if (!last.type.empty()) {
            byType[last.type].push_back(i);
        } else {
            universal.push_back(i);
        }
    }
    indexed = true;
}

void StyleSheet::Match(const SelectorTarget& element, std::vector<const Rule*>* out) const {
    out->clear();
    if (rules.empty() || work >= kMaxWork) {
        return;
    }
    if (!indexed) {
        Index();
    }
    std::vector<size_t> candidates;
    auto take = [&](const std::map<std::string, std::vector<size_t>, std::less<>>& map,
                    std::string_view key) {
        auto it = map.find(key);
        if (it != map.end()) {
            candidates.insert(candidates.end(), it->second.begin(), it->second.end());
        }
    };
    if (!element.Id().empty()) {
        take(byId, element.Id());
    }
    take(byType, element.LocalName());
    candidates.insert(candidates.end(), universal.begin(), universal.end());
    // Classes: those of the element that some rule keys on.
    std::string_view list;
    if (!byClass.empty() && element.Attribute("class", &list)) {
        size_t i = 0;
        while (i < list.size()) {
            std::string_view w = NextWord(list, &i);
            if (!w.empty()) {
                take(byClass, w);
            }
        }
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    for (size_t i : candidates) {
        int budget = 4096;
        bool match = rules[i].selector.Matches(element, &budget);
        work += size_t(4096 - std::max(budget, 0));
        if (work > kMaxWork) {
            break;
        }
        if (match) {
            out->push_back(&rules[i]);
        }
    }
    std::stable_sort(out->begin(), out->end(), [](const Rule* a, const Rule* b) {
        if (a->selector.specificity != b->selector.specificity) {
            return a->selector.specificity < b->selector.specificity;
        }
        return a->order < b->order;
    });
}

} // namespace vemo::svg
