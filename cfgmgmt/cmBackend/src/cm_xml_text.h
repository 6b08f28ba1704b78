// Client values inside configuration-manager request texts.
//
// Every value that came from a client (or back from the configuration manager, which
// only stores what clients sent) is printed into a request text through cmXmlEscape,
// so that markup in it stays text: "a&b" is sent as "a&amp;b" and "</name>" cannot
// close an element. Names are first checked with cmTextHasControl: control characters
// have no place in them, and the SOAP engine turns an entity reference it does not
// know into U+007F, so that a client's "&x;" arrives as a control character too.
#pragma once
#include <string>
#include <string_view>

// The text with & < > " ' written as entity references, fit for element content and
// for attribute values in either kind of quotes.
std::string cmXmlEscape(std::string_view text);
// The same, appended to `out`.
void cmXmlEscapeAppend(std::string &out, std::string_view text);

// True when the text holds a character below U+0020 or U+007F; with `lineBreaks`, tab,
// line feed and carriage return are allowed (texts of several lines).
bool cmTextHasControl(std::string_view text, bool lineBreaks = false);
