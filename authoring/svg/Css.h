// The CSS that SVG files carry: <style> sheets and style attributes.
//
// Sheets: rules "selector, selector { name: value; ... }". Comments and <!-- --> are skipped;
// at-rules (@media, @import, @font-face, ...) are skipped whole, with their block. A rule whose
// selector list holds one selector that cannot be read is dropped whole, as CSS requires.
// Selectors: type ("rect", "*"), ".class", "#id", "[attr]", "[attr=value]", "[attr~=value]",
// ":first-child", joined by descendant (space), child (">"), next-sibling ("+") and
// subsequent-sibling ("~") combinators. Other pseudo-classes and pseudo-elements are read but
// never match. Specificity is (ids, classes + attributes + pseudo-classes, types), packed into
// one number so that rules sort by it and then by their order.
//
// Declarations: "name: value", separated by ';' outside strings and brackets, with an optional
// "!important". Names are lower-cased; values are kept as written (trimmed).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vemo::svg {

struct Declaration {
    std::string name;
    std::string value;
    bool important = false;
};

void ParseDeclarations(std::string_view text, std::vector<Declaration>* out);

// What a selector needs to know about an element.
class SelectorTarget {
public:
    virtual ~SelectorTarget() = default;
    virtual std::string_view LocalName() const = 0;
    virtual std::string_view Id() const = 0;
    virtual bool HasClass(std::string_view name) const = 0;
    // False when the element has no such attribute.
    virtual bool Attribute(std::string_view name, std::string_view* value) const = 0;
    virtual const SelectorTarget* ParentElement() const = 0;
    virtual const SelectorTarget* PreviousElement() const = 0;
};

struct Compound {
    std::string type; // empty: any
    std::string id;
    std::vector<std::string> classes;
    struct AttributeTest {
        std::string name;
        char op = 0; // 0 exists, '=' equals, '~' word in list, '^' prefix, '$' suffix, '*' contains
        std::string value;
    };
    std::vector<AttributeTest> attributes;
    bool firstChild = false;
    bool never = false; // a pseudo-class or pseudo-element we do not match
};

struct Selector {
    std::vector<Compound> parts;   // left to right
    std::vector<char> combinators; // between parts: ' ', '>', '+', '~'
    uint32_t specificity = 0;

    // *budget: elements that may still be looked at (used up as it goes).
    bool Matches(const SelectorTarget& element, int* budget) const;
};

// One selector; false when it cannot be read.
bool ParseSelector(std::string_view text, Selector* selector);

struct Rule {
    Selector selector;
    std::vector<Declaration> declarations;
    size_t order = 0; // the rule's position among all rules read
};

class StyleSheet {
public:
    // Adds the rules of one sheet. Limits keep hostile sheets small: at most kMaxRules rules.
    void Parse(std::string_view css);
    const std::vector<Rule>& Rules() const { return rules; }
    // The matching rules, in cascade order (specificity, then order). Rules are looked up by
    // the id, a class or the type their last compound needs, so an element is tried only
    // against rules that can match it; all matching together stops after kMaxWork selector
    // steps of selector matching (later elements then match no rule).
    void Match(const SelectorTarget& element, std::vector<const Rule*>* out) const;

    static const size_t kMaxRules = 20000;
    static const size_t kMaxWork = 50000000;

private:
    void Index() const;

    std::vector<Rule> rules;
    mutable bool indexed = false;
    mutable std::map<std::string, std::vector<size_t>, std::less<>> byId, byClass, byType;
    mutable std::vector<size_t> universal;
    mutable size_t work = 0;
};

} // namespace vemo::svg
