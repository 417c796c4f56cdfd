#pragma once

#include <string>
#include <string_view>

// Quoted-printable (RFC 2045) of text whose lines end with CR LF: every byte outside printable ASCII,
// every '=' and a blank at a line's end become "=XX"; a line longer than 76 characters is broken
// with soft line breaks ("=" CR LF) that the reader's mail program removes again.
std::string EncodeQuotedPrintable(std::string_view text);
