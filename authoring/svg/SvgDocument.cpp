#include "authoring/svg/SvgDocument.h"

#include <string.h>

#include <algorithm>
#include <pugixml.hpp>

#include "authoring/svg/Values.h"

namespace vemo::svg {

namespace {

const char kSvgNamespace[] = "http://www.w3.org/2000/svg";
const char kXlinkNamespace[] = "http://www.w3.org/1999/xlink";

// Properties that may be written as attributes (sorted).
const char* const kPresentation[] = {
    "alignment-baseline", "baseline-shift", "clip", "clip-path", "clip-rule", "color",
    "color-interpolation", "color-interpolation-filters", "color-rendering", "cursor",
    "direction", "display", "dominant-baseline", "fill", "fill-opacity", "fill-rule", "filter",
    "flood-color", "flood-opacity", "font-family", "font-size", "font-size-adjust",
    "font-stretch", "font-style", "font-variant", "font-weight", "image-rendering",
    "letter-spacing", "lighting-color", "marker-end", "marker-mid", "marker-start", "mask",
    "opacity", "overflow", "paint-order", "pointer-events", "shape-rendering", "stop-color",
    "stop-opacity", "stroke", "stroke-dasharray", "stroke-dashoffset", "stroke-linecap",
    "stroke-linejoin", "stroke-miterlimit", "stroke-opacity", "stroke-width", "text-anchor",
    "text-decoration", "text-rendering", "transform-origin", "unicode-bidi", "vector-effect",
    "visibility", "word-spacing", "writing-mode",
};

struct Entity {
    std::string name;
    std::string value;
};

// Character references (&#233; &#xE9;) in an entity's value are replaced when it is declared.
std::string CharacterReferences(std::string_view v) {
    std::string out;
    size_t i = 0;
    while (i < v.size()) {
        size_t semi = v.compare(i, 2, "&#") == 0 ? v.find(';', i) : std::string_view::npos;
        if (semi == std::string_view::npos || semi - i > 12) {
            out += v[i++];
            continue;
        }
        std::string_view digits = v.substr(i + 2, semi - i - 2);
        bool hex = !digits.empty() && (digits[0] == 'x' || digits[0] == 'X');
        uint32_t cp = 0;
        bool ok = digits.size() > (hex ? 1u : 0u);
        for (char c : hex ? digits.substr(1) : digits) {
            int d = c >= '0' && c <= '9' ? c - '0'
                    : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0 || cp > 0x10FFFF) {
                ok = false;
                break;
            }
            cp = cp * (hex ? 16 : 10) + uint32_t(d);
        }
        if (!ok || cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += v[i++];
            continue;
        }
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
        i = semi + 1;
    }
    return out;
}

// <!ENTITY name "value"> declarations of the internal subset (parameter and external
// entities are ignored).
void ReadEntities(std::string_view doctype, std::vector<Entity>* out) {
    size_t i = 0;
    while ((i = doctype.find("<!ENTITY", i)) != std::string_view::npos && out->size() < 4096) {
        i += 8;
        Scanner scan(doctype.substr(i));
        scan.SkipSpace();
        if (scan.Peek() == '%') {
            continue;
        }
        std::string_view rest = scan.Rest();
        size_t n = 0;
        while (n < rest.size() && !IsSpace(rest[n]) && rest[n] != '"' && rest[n] != '\'' &&
               rest[n] != '>') {
            ++n;
        }
        if (n == 0) {
            continue;
        }
        Entity e;
        e.name = std::string(rest.substr(0, n));
        scan.Advance(n);
        scan.SkipSpace();
        char q = scan.Peek();
        if (q != '"' && q != '\'') {
            continue; // SYSTEM or PUBLIC: not fetched
        }
        rest = scan.Rest().substr(1);
        size_t end = rest.find(q);
        if (end == std::string_view::npos) {
            break;
        }
        e.value = CharacterReferences(rest.substr(0, end));
        out->push_back(std::move(e));
    }
}

class Builder {
public:
    Builder(std::deque<Element>& elements, const LoadLimits& limits, std::string* error)
        : elements(elements), limits(limits), error(error) {}

    std::vector<Entity> entities;
    size_t expanded = 0;
    bool failed = false;

    std::string Expand(std::string_view text, int depth = 0) {
        if (entities.empty() || text.find('&') == std::string_view::npos) {
            return std::string(text);
        }
        std::string out;
        size_t i = 0;
        while (i < text.size() && !failed) {
            size_t amp = text.find('&', i);
            if (amp == std::string_view::npos) {
                out.append(text.substr(i));
                break;
            }
            out.append(text.substr(i, amp - i));
            size_t semi = text.find(';', amp);
            const Entity* found = nullptr;
            if (semi != std::string_view::npos && semi - amp < 256) {
                std::string_view name = text.substr(amp + 1, semi - amp - 1);
                for (const Entity& e : entities) {
                    if (e.name == name) {
                        found = &e;
                        break;
                    }
                }
            }
            if (found == nullptr) {
                out += '&';
                i = amp + 1;
                continue;
            }
            if (depth >= 8) {
                Fail("entities nest too deeply");
                return out;
            }
            std::string value = Expand(found->value, depth + 1);
            expanded += value.size();
            if (expanded > limits.maxEntityExpansion) {
                Fail("entity expansion too large");
                return out;
            }
            out += value;
            i = semi + 1;
        }
        return out;
    }

    void Fail(const char* reason) {
        if (!failed) {
            failed = true;
            *error = reason;
        }
    }

    struct Scope {
        const Scope* parent;
        std::vector<std::pair<std::string, std::string>> prefixes; // "" is the default
    };

    static const std::string* Resolve(const Scope* scope, std::string_view prefix) {
        for (const Scope* s = scope; s != nullptr; s = s->parent) {
            for (const auto& p : s->prefixes) {
                if (p.first == prefix) {
                    return &p.second;
                }
            }
        }
        return nullptr;
    }

    static bool KeepsText(std::string_view name) {
        return name == "text" || name == "tspan" || name == "textPath" || name == "a" ||
               name == "style" || name == "tref";
    }

    Element* Build(pugi::xml_node node, Element* parent, const Scope* outer, size_t depth) {
        if (failed) {
            return nullptr;
        }
        if (depth > limits.maxDepth) {
            Fail("elements nest too deeply");
            return nullptr;
        }
        if (elements.size() >= limits.maxElements) {
            Fail("too many elements");
            return nullptr;
        }
        Scope scope{outer, {}};
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
            std::string_view n = a.name();
            if (n == "xmlns") {
                scope.prefixes.emplace_back("", Expand(a.value()));
            } else if (n.substr(0, 6) == "xmlns:") {
                scope.prefixes.emplace_back(std::string(n.substr(6)), Expand(a.value()));
            }
        }
        elements.emplace_back();
        Element* e = &elements.back();
        e->order = elements.size() - 1;
        e->depth = depth;
        e->parent = parent;

        std::string_view qname = node.name();
        size_t colon = qname.find(':');
        std::string_view prefix = colon == std::string_view::npos ? "" : qname.substr(0, colon);
        std::string_view local = colon == std::string_view::npos ? qname : qname.substr(colon + 1);
        const std::string* ns = Resolve(&scope, prefix);
        bool svg = (ns == nullptr && prefix.empty()) || (ns != nullptr && *ns == kSvgNamespace) ||
                   (ns != nullptr && ns->empty() && prefix.empty());
        if (svg) {
            e->name = std::string(local);
        }

        bool plainHref = false;
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
            std::string_view n = a.name();
            size_t c = n.find(':');
            if (n == "xmlns" || n.substr(0, 6) == "xmlns:") {
                continue;
            }
            if (c == std::string_view::npos) {
                if (n == "href") {
                    plainHref = true;
                    e->attributes.erase(
                        std::remove_if(e->attributes.begin(), e->attributes.end(),
                                       [](const auto& p) { return p.first == "href"; }),
                        e->attributes.end());
                }
                e->attributes.emplace_back(std::string(n), Expand(a.value()));
                continue;
            }
            std::string_view p = n.substr(0, c);
            std::string_view l = n.substr(c + 1);
            if (p == "xml") {
                e->attributes.emplace_back("xml:" + std::string(l), Expand(a.value()));
                continue;
            }
            const std::string* ans = Resolve(&scope, p);
            if (l == "href" && !plainHref && (ans == nullptr || *ans == kXlinkNamespace)) {
                e->attributes.emplace_back("href", Expand(a.value()));
            }
        }
        if (const std::string* id = e->Attr("id")) {
            e->id = *id;
        }
        if (const std::string* cls = e->Attr("class")) {
            std::string_view list = *cls;
            size_t i = 0;
            while (i < list.size() && e->classes.size() < 256) {
                std::string_view w = NextWord(list, &i);
                if (!w.empty()) {
                    e->classes.emplace_back(w);
                }
            }
        }

        bool keepText = svg && KeepsText(e->name);
        Element* previous = nullptr;
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            pugi::xml_node_type t = child.type();
            if (t == pugi::node_element) {
                Element* c = Build(child, e, &scope, depth + 1);
                if (c == nullptr) {
                    return nullptr;
                }
                c->previous = previous;
                previous = c;
                e->children.push_back(c);
                if (keepText) {
                    e->content.push_back(Node{c, {}});
                }
            } else if (t == pugi::node_pcdata && keepText) {
                e->content.push_back(Node{nullptr, Expand(child.value())});
            } else if (t == pugi::node_cdata && keepText) {
                e->content.push_back(Node{nullptr, child.value()}); // no references in CDATA
            }
        }
        return e;
    }

private:
    std::deque<Element>& elements;
    const LoadLimits& limits;
    std::string* error;
};

} // namespace

const std::string* Element::Attr(std::string_view key) const {
    for (const auto& a : attributes) {
        if (a.first == key) {
            return &a.second;
        }
    }
    return nullptr;
}

bool Element::HasClass(std::string_view c) const {
    for (const std::string& s : classes) {
        if (s == c) {
            return true;
        }
    }
    return false;
}

bool Element::Attribute(std::string_view key, std::string_view* value) const {
    const std::string* v = Attr(key);
    if (v == nullptr) {
        return false;
    }
    *value = *v;
    return true;
}

bool IsPresentationAttribute(std::string_view name) {
    const char* const* end = kPresentation + sizeof kPresentation / sizeof kPresentation[0];
    const char* const* it = std::lower_bound(
        kPresentation, end, name, [](const char* a, std::string_view b) { return std::string_view(a) < b; });
    return it != end && name == *it;
}

bool SvgDocument::Load(const std::string& text, const LoadLimits& limits, std::string* error) {
    elements.clear();
    ids.clear();
    root = nullptr;
    sheet = StyleSheet();

    // The XML declaration may name a single-byte encoding; pugixml reads Latin-1 (and
    // everything else as UTF-8 or, by its byte order mark, UTF-16 or UTF-32).
    pugi::xml_encoding encoding = pugi::encoding_auto;
    std::string declaration = Lower(std::string_view(text).substr(0, std::min<size_t>(text.size(), 200)));
    if (declaration.compare(0, 5, "<?xml") == 0) {
        size_t end = declaration.find("?>");
        std::string_view head = std::string_view(declaration).substr(0, end);
        if (head.find("iso-8859-1") != std::string_view::npos ||
            head.find("latin1") != std::string_view::npos ||
            head.find("windows-1252") != std::string_view::npos) {
            encoding = pugi::encoding_latin1;
        }
    }
    pugi::xml_document xml;
    pugi::xml_parse_result parsed = xml.load_buffer(
        text.data(), text.size(), pugi::parse_default | pugi::parse_doctype, encoding);
    if (!parsed) {
        *error = std::string("XML error at byte ") + std::to_string(parsed.offset) + ": " +
                 parsed.description();
        return false;
    }
    Builder builder(elements, limits, error);
    pugi::xml_node top;
    for (pugi::xml_node n = xml.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_doctype) {
            ReadEntities(n.value(), &builder.entities);
        } else if (n.type() == pugi::node_element && !top) {
            top = n;
        }
    }
    if (!top) {
        *error = "no root element";
        return false;
    }
    root = builder.Build(top, nullptr, nullptr, 0);
    if (builder.failed || root == nullptr) {
        root = nullptr;
        elements.clear();
        return false;
    }
    if (root->name != "svg") {
        *error = "the root element is not <svg>";
        root = nullptr;
        elements.clear();
        return false;
    }
    for (Element& e : elements) {
        if (!e.id.empty() && !e.name.empty()) {
            ids.emplace(e.id, &e); // the first element with an id keeps it
        }
        if (e.name == "style") {
            const std::string* type = e.Attr("type");
            if (type != nullptr && !Trim(*type).empty() && !EqualsNoCase(Trim(*type), "text/css")) {
                continue;
            }
            std::string css;
            for (const Node& n : e.content) {
                if (n.element == nullptr) {
                    css += n.text;
                }
            }
            sheet.Parse(css);
        }
    }
    return true;
}

const Element* SvgDocument::FindById(std::string_view id) const {
    auto it = ids.find(id);
    return it == ids.end() ? nullptr : it->second;
}

const std::vector<Declaration>& SvgDocument::Declarations(const Element* e) const {
    if (e->cascaded) {
        return e->declarations;
    }
    e->cascaded = true;
    std::vector<Declaration>& out = e->declarations;
    for (const auto& a : e->attributes) {
        if (IsPresentationAttribute(a.first)) {
            Declaration d;
            d.name = a.first;
            d.value = std::string(Trim(a.second));
            out.push_back(std::move(d));
        }
    }
    std::vector<const Rule*> rules;
    if (!sheet.Rules().empty()) {
        sheet.Match(*e, &rules);
    }
    std::vector<Declaration> inline_;
    if (const std::string* style = e->Attr("style")) {
        ParseDeclarations(*style, &inline_);
    }
    for (const Rule* r : rules) {
        for (const Declaration& d : r->declarations) {
            if (!d.important) {
                out.push_back(d);
            }
        }
    }
    for (const Declaration& d : inline_) {
        if (!d.important) {
            out.push_back(d);
        }
    }
    for (const Rule* r : rules) {
        for (const Declaration& d : r->declarations) {
            if (d.important) {
                out.push_back(d);
            }
        }
    }
    for (const Declaration& d : inline_) {
        if (d.important) {
            out.push_back(d);
        }
    }
    return out;
}

} // namespace vemo::svg
