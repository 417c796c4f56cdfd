#include "model/Archive.h"

#include "platform/Utf8.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

void AppendLe32(std::string& out, uint32_t value)
{
    char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                     static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
    out.append(bytes, 4);
}

void AppendLe16(std::string& out, uint16_t value)
{
    char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
    out.append(bytes, 2);
}

} // namespace

void CArchiveWriter::WriteInt32(int32_t value)
{
    AppendLe32(m_data, static_cast<uint32_t>(value));
}

void CArchiveWriter::WriteUInt32(uint32_t value)
{
    AppendLe32(m_data, value);
}

void CArchiveWriter::WriteBool(bool value)
{
    AppendLe32(m_data, value ? 1 : 0);
}

void CArchiveWriter::WriteTime(int64_t seconds)
{
    const int64_t clamped = seconds < INT32_MIN ? INT32_MIN : (seconds > INT32_MAX ? INT32_MAX : seconds);
    AppendLe32(m_data, static_cast<uint32_t>(static_cast<int32_t>(clamped)));
}

void CArchiveWriter::WriteString(std::string_view text)
{
    const size_t n = text.size();
    if (n < 0xFF) {
        m_data += static_cast<char>(n);
    } else if (n < 0xFFFE) {
        m_data += static_cast<char>(0xFF);
        AppendLe16(m_data, static_cast<uint16_t>(n));
    } else {
        m_data += static_cast<char>(0xFF);
        AppendLe16(m_data, 0xFFFF);
        AppendLe32(m_data, static_cast<uint32_t>(n));
    }
    m_data.append(text);
}

CArchiveReader::CArchiveReader(std::string_view data)
    : m_data(data)
{ }

bool CArchiveReader::Take(void* out, size_t n)
{
    if (m_failed || Remaining() < n) {
        m_failed = true;
        return false;
    }
    std::memcpy(out, m_data.data() + m_pos, n);
    m_pos += n;
    return true;
}

bool CArchiveReader::ReadUInt32(uint32_t& value)
{
    unsigned char b[4];
    if (!Take(b, 4))
        return false;
    value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16)
        | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool CArchiveReader::ReadInt32(int32_t& value)
{
    uint32_t raw;
    if (!ReadUInt32(raw))
        return false;
    value = static_cast<int32_t>(raw);
    return true;
}

bool CArchiveReader::ReadBool(bool& value)
{
    uint32_t raw;
    if (!ReadUInt32(raw))
        return false;
    value = raw != 0;
    return true;
}

bool CArchiveReader::ReadTime(int64_t& seconds)
{
    int32_t raw;
    if (!ReadInt32(raw))
        return false;
    seconds = raw;
    return true;
}

bool CArchiveReader::ReadString(std::string& text)
{
    // Prefix: one byte; 0xFF then 16 bits; 0xFF 0xFFFF then 32 bits. 0xFF 0xFFFE announces UTF-16
    // text whose length (in characters) follows as a further prefix.
    bool wide = false;
    uint32_t length = 0;
    for (;;) {
        unsigned char b1;
        if (!Take(&b1, 1))
            return false;
        if (b1 < 0xFF) {
            length = b1;
            break;
        }
        unsigned char w[2];
        if (!Take(w, 2))
            return false;
        const uint16_t n16 = static_cast<uint16_t>(w[0] | (w[1] << 8));
        if (n16 == 0xFFFE) {
            if (wide) { // two markers in a row: not a valid prefix
                m_failed = true;
                return false;
            }
            wide = true;
            continue;
        }
        if (n16 < 0xFFFF) {
            length = n16;
            break;
        }
        if (!ReadUInt32(length))
            return false;
        break;
    }

    if (!wide) {
        if (Remaining() < length) {
            m_failed = true;
            return false;
        }
        text.assign(m_data.data() + m_pos, length);
        m_pos += length;
        return true;
    }

    if (Remaining() / 2 < length) {
        m_failed = true;
        return false;
    }
    std::string out;
    out.reserve(length);
    const auto* p = reinterpret_cast<const unsigned char*>(m_data.data() + m_pos);
    for (uint32_t i = 0; i < length; ++i) {
        uint32_t unit = p[2 * i] | (p[2 * i + 1] << 8);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < length) {
            const uint32_t low = p[2 * (i + 1)] | (p[2 * (i + 1) + 1] << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (unit >= 0xD800 && unit < 0xE000)
            unit = 0xFFFD; // a lone surrogate cannot be written as UTF-8
        AppendUtf8(out, static_cast<char32_t>(unit));
    }
    m_pos += static_cast<size_t>(length) * 2;
    text = std::move(out);
    return true;
}
