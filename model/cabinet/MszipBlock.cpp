#include "model/cabinet/MszipBlock.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace vq::cab {

namespace {

std::uint64_t Load64(const std::uint8_t* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap64(v);
    return v;
}

std::uint32_t Load32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

} // namespace

std::uint32_t Checksum(const std::uint8_t* data, std::size_t size, std::uint32_t seed)
{
    // XOR of little-endian 32-bit words; two at a time, folded at the end.
    std::uint64_t wide = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8)
        wide ^= Load64(data + i);
    std::uint32_t sum = seed ^ std::uint32_t(wide) ^ std::uint32_t(wide >> 32);
    if (i + 4 <= size) {
        sum ^= Load32(data + i);
        i += 4;
    }
    // The format packs the last one to three bytes with the first byte
    // highest, unlike the words before them.
    std::uint32_t tail = 0;
    for (; i < size; ++i)
        tail = (tail << 8) | data[i];
    return sum ^ tail;
}

bool WorthDeflating(const std::uint8_t* data, std::size_t size)
{
    if (size < 64)
        return true;
    // Four interleaved tables keep the counting loop free of store-to-load stalls.
    std::array<std::array<std::uint32_t, 256>, 4> counts{};
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        ++counts[0][data[i]];
        ++counts[1][data[i + 1]];
        ++counts[2][data[i + 2]];
        ++counts[3][data[i + 3]];
    }
    for (; i < size; ++i)
        ++counts[0][data[i]];

    // Order-0 entropy in bits: n*log2(n) - sum c*log2(c).
    const double n = double(size);
    double bits = n * std::log2(n);
    for (int b = 0; b < 256; ++b) {
        const std::uint32_t c = counts[0][b] + counts[1][b] + counts[2][b] + counts[3][b];
        if (c > 1)
            bits -= double(c) * std::log2(double(c));
    }
    // Below about 7.6 bits a byte Huffman coding alone saves 5%, and data
    // that regular usually has repeats for the matcher as well.
    return bits < n * 8.0 * 0.95;
}

MszipEncoder::MszipEncoder()
{
    m_ready = deflateInit2(&m_zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

MszipEncoder::~MszipEncoder()
{
    if (m_ready)
        deflateEnd(&m_zs);
}

std::size_t MszipEncoder::encode(const std::uint8_t* data, std::size_t size, std::uint8_t* out)
{
    out[0] = 'C';
    out[1] = 'K';
    const std::size_t storedSize = 2 + 5 + size;
    if (m_ready && WorthDeflating(data, size)) {
        deflateReset(&m_zs);
        m_zs.next_in = const_cast<Bytef*>(data);
        m_zs.avail_in = uInt(size);
        m_zs.next_out = out + 2;
        // Anything that does not beat storing is abandoned where it stands.
        m_zs.avail_out = uInt(storedSize - 2 - 1);
        if (deflate(&m_zs, Z_FINISH) == Z_STREAM_END)
            return 2 + m_zs.total_out;
    }
    // One final stored block: BFINAL=1, BTYPE=00, then LEN and its complement.
    out[2] = 0x01;
    out[3] = std::uint8_t(size);
    out[4] = std::uint8_t(size >> 8);
    out[5] = std::uint8_t(~size);
    out[6] = std::uint8_t(~size >> 8);
    std::memcpy(out + 7, data, size);
    return storedSize;
}

} // namespace vq::cab
