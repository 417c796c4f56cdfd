#include "platform/ElfSymbols.h"

#include <cxxabi.h>
#include <elf.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A read-only view of a whole file.
class MappedFile
{
public:
    explicit MappedFile(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat st
        {
        };
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            void* data = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (data != MAP_FAILED) {
                m_data = static_cast<const unsigned char*>(data);
                m_size = static_cast<size_t>(st.st_size);
            }
        }
        ::close(fd);
    }
    ~MappedFile()
    {
        if (m_data)
            ::munmap(const_cast<unsigned char*>(m_data), m_size);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // The bytes [offset, offset + length), or null when they are not all in the file.
    const unsigned char* At(uint64_t offset, uint64_t length) const
    {
        if (!m_data || offset > m_size || length > m_size - offset)
            return nullptr;
        return m_data + offset;
    }

private:
    const unsigned char* m_data = nullptr;
    size_t m_size = 0;
};

template <class T> bool ReadStruct(const MappedFile& file, uint64_t offset, T& out)
{
    const unsigned char* bytes = file.At(offset, sizeof(T));
    if (!bytes)
        return false;
    std::memcpy(&out, bytes, sizeof(T));
    return true;
}

} // namespace

std::string DemangledName(const std::string& symbol)
{
    int status = 0;
    char* name = abi::__cxa_demangle(symbol.c_str(), nullptr, nullptr, &status);
    if (status != 0 || !name)
        return symbol;
    std::string result = name;
    std::free(name);
    return result;
}

CElfSymbols CElfSymbols::Load(const std::string& path)
{
    CElfSymbols symbols;
    const MappedFile file(path);
    Elf64_Ehdr header{};
    if (!ReadStruct(file, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0
        || header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr))
        return symbols;

    if (header.e_type == ET_EXEC) {
        symbols.m_loadBase = UINT64_MAX;
        for (uint16_t i = 0; i < header.e_phnum; ++i) {
            Elf64_Phdr segment{};
            if (ReadStruct(file, header.e_phoff + uint64_t{i} * sizeof(Elf64_Phdr), segment)
                && segment.p_type == PT_LOAD)
                symbols.m_loadBase = std::min<uint64_t>(symbols.m_loadBase, segment.p_vaddr & ~uint64_t{0xfff});
        }
        if (symbols.m_loadBase == UINT64_MAX)
            symbols.m_loadBase = 0;
    }

    std::vector<Elf64_Shdr> sections(header.e_shnum);
    for (uint16_t i = 0; i < header.e_shnum; ++i) {
        if (!ReadStruct(file, header.e_shoff + uint64_t{i} * sizeof(Elf64_Shdr), sections[i]))
            return symbols;
    }
    for (const uint32_t wanted : {uint32_t{SHT_SYMTAB}, uint32_t{SHT_DYNSYM}}) {
        for (const Elf64_Shdr& table : sections) {
            if (table.sh_type != wanted || table.sh_entsize != sizeof(Elf64_Sym) || table.sh_link >= sections.size())
                continue;
            const Elf64_Shdr& strings = sections[table.sh_link];
            const auto* names = reinterpret_cast<const char*>(file.At(strings.sh_offset, strings.sh_size));
            if (!names || strings.sh_size == 0 || names[strings.sh_size - 1] != '\0')
                continue;
            for (uint64_t at = 0; at + sizeof(Elf64_Sym) <= table.sh_size; at += sizeof(Elf64_Sym)) {
                Elf64_Sym symbol{};
                if (!ReadStruct(file, table.sh_offset + at, symbol))
                    break;
                if (ELF64_ST_TYPE(symbol.st_info) != STT_FUNC || symbol.st_value == 0
                    || symbol.st_name >= strings.sh_size)
                    continue;
                symbols.m_symbols.push_back({symbol.st_value, symbol.st_size, names + symbol.st_name});
            }
        }
        if (!symbols.m_symbols.empty())
            break;
    }
    std::sort(symbols.m_symbols.begin(), symbols.m_symbols.end(),
              [](const Symbol& a, const Symbol& b) { return a.start < b.start; });
    return symbols;
}

std::string CElfSymbols::NameAt(uint64_t offset) const
{
    const uint64_t address = offset + m_loadBase;
    auto after = std::upper_bound(m_symbols.begin(), m_symbols.end(), address,
                                  [](uint64_t value, const Symbol& symbol) { return value < symbol.start; });
    while (after != m_symbols.begin()) {
        const Symbol& symbol = *--after;
        // Aliases share a start; the first one that spans the address names it.
        if (address < symbol.start + std::max<uint64_t>(symbol.size, 1)) {
            char within[32];
            std::snprintf(within, sizeof within, "+0x%llx", static_cast<unsigned long long>(address - symbol.start));
            return DemangledName(symbol.name) + within;
        }
        if (after != m_symbols.begin() && (after - 1)->start != symbol.start)
            break;
    }
    return {};
}
