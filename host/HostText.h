// Small text helpers shared by the stand-in's parsers and its log.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vemohost {

// ASCII letter case folding: the texts compared here are tags, attribute names, MIME types and
// file extensions.
char LowerAscii(char c);
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string LowerCopy(std::string_view text);
std::string_view TrimSpaces(std::string_view text);

// Splits on one separator character; every piece is trimmed of spaces. An empty text yields one
// empty piece, as "a||b" yields an empty middle piece.
std::vector<std::string> SplitTrimmed(std::string_view text, char separator);

// A text as the log shows it: in double quotes, with \" \\ \n \r \t and \xNN for other bytes
// outside printable ASCII, so that every log line stays one line of ASCII.
std::string QuoteForLog(std::string_view text);

// Parses a decimal integer (optional leading '-'); the whole text must be the number and it must
// lie within [minimum, maximum].
bool ParseInteger(std::string_view text, long long minimum, long long maximum, long long& value);

} // namespace vemohost
