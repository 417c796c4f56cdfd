#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The function symbols of an ELF program or library, to name the addresses of a backtrace that a
// crash left without names (functions local to a file, programs not exporting their symbols).
class CElfSymbols
{
public:
    // The symbols of the file: its full symbol table, else its dynamic one. Empty when the file is
    // no ELF file of this machine's kind or has no symbols left (stripped).
    static CElfSymbols Load(const std::string& path);

    bool Empty() const { return m_symbols.empty(); }
    // The function holding the offset from the file's load address (the "+0x1234" of a backtrace
    // line), demangled, followed by "+0x12" within it; "" when no function holds it.
    std::string NameAt(uint64_t offset) const;

private:
    struct Symbol
    {
        uint64_t start;
        uint64_t size;
        std::string name;
    };
    std::vector<Symbol> m_symbols; // by start
    // Where the file's first segment lies in memory when it is not position-independent.
    uint64_t m_loadBase = 0;
};

// A C++ symbol's name as written in the source ("CMainFrame::OnSave()"); the name itself when it is
// no mangled name.
std::string DemangledName(const std::string& symbol);
