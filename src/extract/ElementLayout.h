#pragma once

#include <string_view>

class CTextBuilder;

// How an element's content is laid out in the visible text.
enum class Layout
{
    Inline,
    Block, // starts and ends a line
    Break, // <br>: ends the line
    Cell, // a table cell: set apart by a space
    Pre, // white space kept as line breaks
    Hidden, // never shown: its content is skipped
};

// The layout of an element by its lower-case name, as the HTML parser gives it. An element with the
// attribute "hidden" is Hidden whatever its name; the caller looks at the attributes.
Layout LayoutOfElement(std::string_view name);

// What the start and the end of a shown element of this layout write into the text; preDepth counts
// the Pre elements open. Hidden elements write nothing: their callers skip them.
void OpenLayout(Layout layout, CTextBuilder& out, int& preDepth);
void CloseLayout(Layout layout, CTextBuilder& out, int& preDepth);
