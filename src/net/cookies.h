// The cookie jar of web requests: a plain text of name=value pieces separated
// by "; ". New cookies replace old ones of the same name, old ones the response
// did not mention stay, and cookies set to "deleted" leave the jar.
#pragma once

#include <vector>

#include "util/text.h"

namespace vidlark {

// The name=value pieces of the "Set-Cookie" lines of normalised response headers, joined by "; ".
Text CollectResponseCookies(const Text& responseHeaders);

// Folds `newCookies` into `oldCookies`; both are rewritten. Returns the new jar.
Text CookieMerge(Text& oldCookies, Text& newCookies);

// The bytes before the first "=", trimmed; a piece without "=" is its own name.
Text CookieName(const Text& piece);
bool HasCookieName(const std::vector<Text>& pieces, const Text& name);
// Drops every piece equal to an earlier one.
Text RemoveDuplicatePieces(const Text& text, const Text& separator);
// The 1-based position of the first piece equal to `text`, or -1.
int IndexOfPiece(const std::vector<Text>& pieces, const Text& text);

}  // namespace vidlark
