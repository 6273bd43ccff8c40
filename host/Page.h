// The stand-in's page: a small HTML subset read into text runs, line breaks and embeds.
//
// Understood: <embed ...> (every attribute kept, in document order, names as written),
// <title>...</title>, <br>, and block tags (p, div, h1-h6, li, tr, hr, center, table) as line
// breaks; comments, <script> and <style> contents are skipped; every other tag is dropped.
// Character references &amp; &lt; &gt; &quot; &apos; &nbsp; &#N; &#xN; are decoded in text and
// attribute values. Runs of white space in text collapse to one space.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vemohost {

struct PageAttribute {
    std::string name;
    std::string value;
};

enum class PageItemKind { Text, Break, Embed };

struct PageItem {
    PageItemKind kind = PageItemKind::Text;
    std::string text;                      // Text: the words of the run, spaces collapsed
    std::vector<PageAttribute> attributes; // Embed: as written, in document order
};

struct Page {
    std::string title;
    std::vector<PageItem> items;
};

// Reads a page; never fails (anything it does not understand is text or dropped markup).
Page ParsePage(std::string_view html);

// The value of the first attribute with this name (any letter case), or null.
const std::string* FindAttribute(const std::vector<PageAttribute>& attributes,
                                 std::string_view name);

// Decodes the character references of a text (unknown ones stay as written).
std::string DecodeEntities(std::string_view text);

} // namespace vemohost
