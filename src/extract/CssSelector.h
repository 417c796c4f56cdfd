#pragma once

#include "platform/Error.h"

#include <string>
#include <string_view>

// Compiles a CSS selector into the XPath 1.0 expression that selects the same elements of an HTML
// page. The subset: type selectors and *, #id, .class, [a] [a=v] [a~=v] [a|=v] [a^=v] [a$=v] [a*=v]
// (with an "i" flag for ASCII case), the descendant, >, + and ~ combinators, :first-child,
// :last-child, :only-child, :nth-child(an+b|odd|even), :nth-last-child(...), :empty, :root,
// :not(simple selector) and lists joined by ",". Anything else is refused with the position and
// the reason, which is what the user sees when entering the selector.
Result<std::string> CompileCssSelector(std::string_view selector);
