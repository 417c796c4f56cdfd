#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// Little-endian archive stream shared by the monitored-list file and the update-log file:
// 32-bit integers, length-prefixed single-byte texts and 32-bit date-times.

class CArchiveWriter
{
public:
    void WriteInt32(int32_t value);
    void WriteUInt32(uint32_t value);
    void WriteBool(bool value);
    // Stores the seconds count in 32 bits. A count outside the signed 32-bit range (before December 1901
    // or after January 2038) is stored as the nearest value that fits, so that it reads back on the
    // same side of every storable date instead of wrapping to an unrelated one.
    void WriteTime(int64_t seconds);
    // Length prefix of 1, 3 or 7 bytes, then the bytes without a terminator.
    void WriteString(std::string_view text);

    const std::string& Data() const { return m_data; }
    size_t Size() const { return m_data.size(); }
    // Empties the buffer (keeping its room) once its bytes have been written out.
    void Clear() { m_data.clear(); }
    std::string TakeData() { return std::move(m_data); }

private:
    std::string m_data;
};

// Reads what CArchiveWriter writes. Every read returns false at the end of the data or on a
// malformed prefix and leaves the output untouched; the reader then stays failed.
class CArchiveReader
{
public:
    explicit CArchiveReader(std::string_view data);

    bool ReadInt32(int32_t& value);
    bool ReadUInt32(uint32_t& value);
    bool ReadBool(bool& value);
    // Sign-extends the stored 32 bits.
    bool ReadTime(int64_t& seconds);
    // Accepts the UTF-16 marker (0xFF 0xFFFE) and converts such text to UTF-8.
    bool ReadString(std::string& text);

    size_t Remaining() const { return m_data.size() - m_pos; }
    bool Failed() const { return m_failed; }

private:
    bool Take(void* out, size_t n);

    std::string_view m_data;
    size_t m_pos = 0;
    bool m_failed = false;
};
