#include "DigestAuth.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>

namespace DigestAuth {

namespace {

uint32_t RotateLeft(uint32_t x, int c)
{
    return (x << c) | (x >> (32 - c));
}

// MD5 after RFC 1321.
std::array<uint8_t, 16> Md5(const std::string& text)
{
    static const int shifts[64]
        = {7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 5,  9,  14, 20, 5,  9,
           14, 20, 5,  9,  14, 20, 5,  9,  14, 20, 4,  11, 16, 23, 4,  11, 16, 23, 4,  11, 16, 23,
           4,  11, 16, 23, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21};
    static const uint32_t sines[64]
        = {0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
           0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
           0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
           0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
           0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
           0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
           0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
           0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
    std::string message = text;
    const uint64_t bitLength = static_cast<uint64_t>(text.size()) * 8;
    message += static_cast<char>(0x80);
    while (message.size() % 64 != 56)
        message += '\0';
    for (int i = 0; i < 8; ++i)
        message += static_cast<char>((bitLength >> (8 * i)) & 0xff);

    uint32_t a0 = 0x67452301, b0 = 0xefcdab89, c0 = 0x98badcfe, d0 = 0x10325476;
    for (size_t block = 0; block < message.size(); block += 64) {
        uint32_t m[16];
        for (int i = 0; i < 16; ++i) {
            m[i] = 0;
            for (int j = 0; j < 4; ++j)
                m[i] |= static_cast<uint32_t>(static_cast<uint8_t>(message[block + 4 * i + j])) << (8 * j);
        }
        uint32_t a = a0, b = b0, c = c0, d = d0;
        for (int i = 0; i < 64; ++i) {
            uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            f = f + a + sines[i] + m[g];
            a = d;
            d = c;
            c = b;
            b = b + RotateLeft(f, shifts[i]);
        }
        a0 += a;
        b0 += b;
        c0 += c;
        d0 += d;
    }
    std::array<uint8_t, 16> digest{};
    const uint32_t words[4] = {a0, b0, c0, d0};
    for (int i = 0; i < 16; ++i)
        digest[i] = static_cast<uint8_t>((words[i / 4] >> (8 * (i % 4))) & 0xff);
    return digest;
}

// The name="value" (or name=value) pairs after the scheme of an authorization header.
std::map<std::string, std::string> Params(const std::string& header)
{
    std::map<std::string, std::string> params;
    size_t i = header.find(' ');
    while (i != std::string::npos && i < header.size()) {
        while (i < header.size() && (header[i] == ' ' || header[i] == ','))
            ++i;
        const size_t equals = header.find('=', i);
        if (equals == std::string::npos)
            break;
        const std::string name = header.substr(i, equals - i);
        std::string value;
        i = equals + 1;
        if (i < header.size() && header[i] == '"') {
            const size_t close = header.find('"', i + 1);
            value = header.substr(i + 1, close - i - 1);
            i = close == std::string::npos ? close : close + 1;
        } else {
            const size_t comma = header.find(',', i);
            value = header.substr(i, comma - i);
            i = comma;
        }
        params[name] = value;
    }
    return params;
}

} // namespace

std::string Md5Hex(const std::string& text)
{
    const auto digest = Md5(text);
    std::string hex;
    char pair[3];
    for (uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

std::string Challenge(const std::string& realm, const std::string& nonce)
{
    return "Digest realm=\"" + realm + "\", nonce=\"" + nonce + "\", qop=\"auth\", algorithm=MD5";
}

bool Verify(const std::string& authorization, const std::string& method, const std::string& realm,
            const std::string& nonce, const std::string& user, const std::string& password)
{
    if (authorization.rfind("Digest ", 0) != 0)
        return false;
    auto params = Params(authorization);
    if (params["username"] != user || params["realm"] != realm || params["nonce"] != nonce)
        return false;
    const std::string ha1 = Md5Hex(user + ":" + realm + ":" + password);
    const std::string ha2 = Md5Hex(method + ":" + params["uri"]);
    const std::string expected = params.count("qop")
        ? Md5Hex(ha1 + ":" + nonce + ":" + params["nc"] + ":" + params["cnonce"] + ":" + params["qop"] + ":" + ha2)
        : Md5Hex(ha1 + ":" + nonce + ":" + ha2);
    return params["response"] == expected;
}

} // namespace DigestAuth
