#pragma once

#include <string>
#include <string_view>

// The charset a page declares in its head: <meta charset="..."> or <meta http-equiv="Content-Type"
// content="...; charset=...">, looked for in the first kMetaScanBytes bytes the way a browser's
// pre-scan does (comments skipped, attributes read without building a tree). Empty when none.
std::string DeclaredMetaCharset(std::string_view body);

constexpr std::size_t kMetaScanBytes = 1024;
