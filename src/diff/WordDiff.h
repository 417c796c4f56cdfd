#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// Two versions of a text compared line by line, and the lines that changed compared word by word,
// the way a word processor marks the changes between two documents.

// A piece of a line: changed pieces are the words removed (on an old line) or added (on a new one).
struct WordPiece
{
    std::string_view text;
    bool changed = false;
};

struct WordDiffLine
{
    char side = ' '; // ' ' in both versions, '-' only in the old one, '+' only in the new one
    int oldNumber = 0; // from 1; 0 for a line of the new version only
    int newNumber = 0;
    std::vector<WordPiece> pieces;
};

// Every line of both versions in the order of a unified diff. The pieces point into the two texts.
std::vector<WordDiffLine> CompareWords(std::string_view oldText, std::string_view newText);

// A unified diff ("---", "+++", "@@" hunks with three lines of context) whose "-" lines mark their
// removed words [-so-] and whose "+" lines mark their added words {+so+}. Writes nothing and
// returns false when the texts have no differences.
bool WriteWordDiff(std::ostream& out, std::string_view oldText, std::string_view newText, const std::string& oldLabel,
                   const std::string& newLabel);

// A page of our own for the desktop's differences view: both versions' lines as escaped plain text,
// removed words struck through and added words underlined; no scripts.
std::string WordDiffHtml(std::string_view oldText, std::string_view newText, const std::string& title);
