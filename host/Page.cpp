#include "host/Page.h"

#include "host/HostText.h"

namespace vemohost {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool IsNameChar(char c) {
    return !IsSpace(c) && c != '>' && c != '/' && c != '=' && c != '"' && c != '\'' && c != '<';
}

void AppendCodePoint(std::string& out, unsigned long code) {
    // Pages are read in the single-byte system code page: characters beyond it become '?'.
    if (code == 0 || code > 0xFF) {
        out.push_back('?');
    } else {
        out.push_back(static_cast<char>(code));
    }
}

// Reads the tag that starts at text[at] == '<'. Returns the index after it, or npos when the tag
// is not closed (the rest of the page is then text).
struct Tag {
    std::string name; // lower case, with a leading '/' for end tags
    std::vector<PageAttribute> attributes;
};

size_t ReadTag(std::string_view text, size_t at, Tag& tag) {
    size_t i = at + 1;
    size_t nameStart = i;
    if (i < text.size() && text[i] == '/') {
        ++i;
    }
    while (i < text.size() && IsNameChar(text[i])) {
        ++i;
    }
    tag.name = LowerCopy(text.substr(nameStart, i - nameStart));
    for (;;) {
        while (i < text.size() && (IsSpace(text[i]) || text[i] == '/')) {
            ++i;
        }
        if (i >= text.size()) {
            return std::string_view::npos;
        }
        if (text[i] == '>') {
            return i + 1;
        }
        size_t attrStart = i;
        while (i < text.size() && IsNameChar(text[i])) {
            ++i;
        }
        if (i == attrStart) { // a stray quote, '=' or '<': skip it
            ++i;
            continue;
        }
        PageAttribute attribute;
        attribute.name = std::string(text.substr(attrStart, i - attrStart));
        size_t look = i;
        while (look < text.size() && IsSpace(text[look])) {
            ++look;
        }
        if (look < text.size() && text[look] == '=') {
            i = look + 1;
            while (i < text.size() && IsSpace(text[i])) {
                ++i;
            }
            if (i >= text.size()) {
                return std::string_view::npos;
            }
            if (text[i] == '"' || text[i] == '\'') {
                char quote = text[i];
                size_t close = text.find(quote, i + 1);
                if (close == std::string_view::npos) {
                    return std::string_view::npos;
                }
                attribute.value = DecodeEntities(text.substr(i + 1, close - i - 1));
                i = close + 1;
            } else {
                size_t valueStart = i;
                while (i < text.size() && !IsSpace(text[i]) && text[i] != '>') {
                    ++i;
                }
                attribute.value = DecodeEntities(text.substr(valueStart, i - valueStart));
            }
        }
        tag.attributes.push_back(std::move(attribute));
    }
}

bool IsBlockTag(const std::string& name) {
    static const char* const blocks[] = {
        "br",    "p",  "/p",     "div",     "/div", "h1",  "/h1", "h2", "/h2", "h3",
        "/h3",   "h4", "/h4",    "h5",      "/h5",  "h6",  "/h6", "li", "tr",  "/table",
        "table", "hr", "center", "/center", "ul",   "/ul", "ol",  "/ol"};
    for (const char* block : blocks) {
        if (name == block) {
            return true;
        }
    }
    return false;
}

class PageBuilder {
public:
    explicit PageBuilder(Page& page) : page_(page) {}

    void AddText(std::string_view raw) {
        for (char c : DecodeEntities(raw)) {
            if (IsSpace(c)) {
                pendingSpace_ = true;
            } else {
                AddChar(c);
            }
        }
    }

    void AddBreak() {
        pendingSpace_ = false;
        PageItem item;
        item.kind = PageItemKind::Break;
        page_.items.push_back(std::move(item));
    }

    void AddEmbed(std::vector<PageAttribute> attributes) {
        if (pendingSpace_ && !page_.items.empty() &&
            page_.items.back().kind == PageItemKind::Text) {
            page_.items.back().text.push_back(' ');
        }
        pendingSpace_ = false;
        PageItem item;
        item.kind = PageItemKind::Embed;
        item.attributes = std::move(attributes);
        page_.items.push_back(std::move(item));
    }

private:
    // A collapsed space is written only between visible things on one line.
    void AddChar(char c) {
        bool afterEmbed = !page_.items.empty() && page_.items.back().kind == PageItemKind::Embed;
        if (page_.items.empty() || page_.items.back().kind != PageItemKind::Text) {
            PageItem item;
            item.kind = PageItemKind::Text;
            page_.items.push_back(std::move(item));
        }
        std::string& run = page_.items.back().text;
        if (pendingSpace_ && (!run.empty() || afterEmbed)) {
            run.push_back(' ');
        }
        pendingSpace_ = false;
        run.push_back(c);
    }

    Page& page_;
    bool pendingSpace_ = false;
};

} // namespace

std::string DecodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '&') {
            out.push_back(text[i++]);
            continue;
        }
        size_t semi = text.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out.push_back(text[i++]);
            continue;
        }
        std::string_view name = text.substr(i + 1, semi - i - 1);
        static const struct {
            const char* name;
            char value;
        } named[] = {{"amp", '&'},  {"lt", '<'},    {"gt", '>'},
                     {"quot", '"'}, {"apos", '\''}, {"nbsp", '\xA0'}};
        bool done = false;
        for (const auto& entry : named) {
            if (name == entry.name) {
                out.push_back(entry.value);
                done = true;
                break;
            }
        }
        if (!done && name.size() >= 2 && name[0] == '#') {
            unsigned long code = 0;
            bool hexadecimal = name[1] == 'x' || name[1] == 'X';
            size_t digits = hexadecimal ? 2 : 1;
            bool valid = digits < name.size();
            for (size_t k = digits; k < name.size() && valid; ++k) {
                char c = name[k];
                int digit = -1;
                if (c >= '0' && c <= '9') {
                    digit = c - '0';
                } else if (hexadecimal && LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f') {
                    digit = LowerAscii(c) - 'a' + 10;
                }
                if (digit < 0) {
                    valid = false;
                } else {
                    code = code * (hexadecimal ? 16 : 10) + static_cast<unsigned>(digit);
                    if (code > 0x10FFFF) {
                        code = 0x110000;
                    }
                }
            }
            if (valid) {
                AppendCodePoint(out, code);
                done = true;
            }
        }
        if (done) {
            i = semi + 1;
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

Page ParsePage(std::string_view html) {
    Page page;
    PageBuilder builder(page);
    size_t i = 0;
    bool inTitle = false;
    while (i < html.size()) {
        size_t lt = html.find('<', i);
        std::string_view text =
            html.substr(i, lt == std::string_view::npos ? std::string_view::npos : lt - i);
        if (inTitle) {
            page.title += DecodeEntities(text);
        } else {
            builder.AddText(text);
        }
        if (lt == std::string_view::npos) {
            break;
        }
        if (html.compare(lt, 4, "<!--") == 0) {
            size_t end = html.find("-->", lt + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        if (lt + 1 >= html.size() || !(IsNameChar(html[lt + 1]) || html[lt + 1] == '/') ||
            html[lt + 1] == '!') {
            if (lt + 1 < html.size() && html[lt + 1] == '!') { // <!DOCTYPE ...>
                size_t end = html.find('>', lt);
                i = end == std::string_view::npos ? html.size() : end + 1;
                continue;
            }
            builder.AddText("<");
            i = lt + 1;
            continue;
        }
        Tag tag;
        size_t next = ReadTag(html, lt, tag);
        if (next == std::string_view::npos) {
            builder.AddText(html.substr(lt));
            break;
        }
        i = next;
        if (tag.name == "embed") {
            builder.AddEmbed(std::move(tag.attributes));
        } else if (tag.name == "title") {
            inTitle = true;
        } else if (tag.name == "/title") {
            inTitle = false;
            page.title = std::string(TrimSpaces(page.title));
        } else if (tag.name == "script" || tag.name == "style") {
            std::string close = "</" + tag.name;
            size_t at = i;
            for (;;) {
                at = html.find("</", at);
                if (at == std::string_view::npos ||
                    EqualsNoCase(html.substr(at, close.size()), close)) {
                    break;
                }
                at += 2;
            }
            if (at == std::string_view::npos) {
                i = html.size();
            } else {
                size_t end = html.find('>', at);
                i = end == std::string_view::npos ? html.size() : end + 1;
            }
        } else if (IsBlockTag(tag.name)) {
            builder.AddBreak();
        }
    }
    return page;
}

const std::string* FindAttribute(const std::vector<PageAttribute>& attributes,
                                 std::string_view name) {
    for (const PageAttribute& attribute : attributes) {
        if (EqualsNoCase(attribute.name, name)) {
            return &attribute.value;
        }
    }
    return nullptr;
}

} // namespace vemohost
