// The SVG document as the converter sees it: pugixml reads the XML (entities, CDATA), then a
// tree of our own keeps the elements of the SVG namespace by their local names, with their
// attributes, ids, classes and the text of text elements.
//
// Namespaces: prefixes are resolved through the xmlns declarations in scope. An element counts
// as SVG when its namespace is the SVG namespace, or when it has none at all (files that forget
// xmlns still convert). Attributes without a prefix are kept by name; "xlink:href" (any prefix
// bound to the XLink namespace) is kept as "href" unless a plain href is present; xml:space is
// kept as "xml:space"; attributes of other namespaces (editor data) are left out.
//
// Entities declared in the internal DTD subset (<!ENTITY name "value">, as drawing programs
// write for namespace URIs) are expanded in attribute values and text; expansion is bounded
// in depth and size, so entity bombs fail cleanly.
//
// Styles: the cascade for an element gives its declarations in order of increasing weight:
// presentation attributes, matching sheet rules by specificity and order, the style attribute,
// then the !important declarations of the sheets and of the style attribute.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "authoring/svg/Css.h"

namespace vemo::svg {

struct Element;

// A child of an element: an element or a piece of text (text is kept only inside text
// elements and <style>).
struct Node {
    Element* element = nullptr;
    std::string text;
};

struct Element : SelectorTarget {
    std::string name; // local name; empty for elements of other namespaces
    std::vector<std::pair<std::string, std::string>> attributes;
    Element* parent = nullptr;
    Element* previous = nullptr; // previous sibling element (any namespace)
    std::vector<Element*> children; // elements only
    std::vector<Node> content;      // elements and text in order (text elements and style)
    std::string id;
    std::vector<std::string> classes;
    size_t order = 0;
    size_t depth = 0;

    // The value of an attribute, or null.
    const std::string* Attr(std::string_view key) const;

    // SelectorTarget
    std::string_view LocalName() const override { return name; }
    std::string_view Id() const override { return id; }
    bool HasClass(std::string_view c) const override;
    bool Attribute(std::string_view key, std::string_view* value) const override;
    const SelectorTarget* ParentElement() const override { return parent; }
    const SelectorTarget* PreviousElement() const override { return previous; }

    // The cascade, filled by SvgDocument::Declarations.
    mutable bool cascaded = false;
    mutable std::vector<Declaration> declarations;
};

struct LoadLimits {
    size_t maxElements = 2000000;
    size_t maxDepth = 256;
    size_t maxEntityExpansion = 16u << 20; // bytes added by entity expansion in total
};

class SvgDocument {
public:
    // False with a one-line reason when the XML cannot be read or holds no <svg> root.
    bool Load(const std::string& text, const LoadLimits& limits, std::string* error);

    const Element* Root() const { return root; }
    const Element* FindById(std::string_view id) const;
    // The element's declarations in cascade order (later ones win).
    const std::vector<Declaration>& Declarations(const Element* e) const;
    size_t ElementCount() const { return elements.size(); }

private:
    std::deque<Element> elements;
    Element* root = nullptr;
    std::map<std::string, Element*, std::less<>> ids;
    StyleSheet sheet;
};

// True when the name is a styling property that may also be written as an attribute.
bool IsPresentationAttribute(std::string_view name);

} // namespace vemo::svg
