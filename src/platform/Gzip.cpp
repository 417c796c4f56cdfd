#include "platform/Gzip.h"

#include <zlib.h>

#include <climits>

namespace {
// Window bits 15 plus 16 ask zlib for the gzip wrapper instead of the zlib one.
constexpr int kGzipWindowBits = 15 + 16;
constexpr size_t kChunk = 1 << 16;
} // namespace

Result<std::string> GzipCompress(std::string_view bytes)
{
    if (bytes.size() > UINT_MAX)
        return MakeError(ErrorKind::BadInput, "the text is too large to compress");
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return MakeError(ErrorKind::Internal, "cannot start the compressor");
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        return MakeError(ErrorKind::Internal, "cannot compress the text");
    return out;
}

Result<std::string> GzipDecompress(std::string_view gzip, std::size_t maxBytes)
{
    if (gzip.size() > UINT_MAX)
        return MakeError(ErrorKind::BadInput, "the compressed file is too large");
    z_stream stream{};
    if (inflateInit2(&stream, kGzipWindowBits) != Z_OK)
        return MakeError(ErrorKind::Internal, "cannot start the decompressor");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gzip.data()));
    stream.avail_in = static_cast<uInt>(gzip.size());
    std::string out;
    int result = Z_OK;
    char buffer[kChunk];
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        const size_t made = sizeof buffer - stream.avail_out;
        if (result != Z_OK && result != Z_STREAM_END)
            break;
        if (out.size() + made > maxBytes) {
            result = Z_MEM_ERROR;
            break;
        }
        out.append(buffer, made);
        // Input used up without the member's end: the file was cut short.
        if (result == Z_OK && stream.avail_in == 0 && made == 0)
            result = Z_BUF_ERROR;
    }
    inflateEnd(&stream);
    if (result == Z_MEM_ERROR)
        return MakeError(ErrorKind::BadInput, "the compressed file holds more than its recorded size");
    if (result != Z_STREAM_END)
        return MakeError(ErrorKind::BadInput, "the compressed file is damaged or cut short");
    return out;
}
