#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include <zlib.h>

namespace vq::cab {

// Largest amount of uncompressed data one MSZIP block may hold.
inline constexpr std::size_t kBlockSize = 32768;
// Room one encoded block can need: "CK", a stored deflate header, the data.
inline constexpr std::size_t kMaxEncodedBlock = 2 + 5 + kBlockSize;

// The CFDATA checksum over `data`, continuing from `seed`.
[[nodiscard]] std::uint32_t Checksum(const std::uint8_t* data, std::size_t size, std::uint32_t seed = 0);

// True when deflating `data` is likely to save enough to be worth the time.
// Judged from the byte histogram alone: data whose bytes are nearly uniform
// (JPEG scans, anything already compressed) would spend most of the time in
// deflate and shrink by a fraction of a percent.
[[nodiscard]] bool WorthDeflating(const std::uint8_t* data, std::size_t size);

// Encodes blocks of at most kBlockSize bytes as self-contained MSZIP blocks:
// "CK" and a deflate stream that ends on the block. Each block starts with
// an empty history, which every reader accepts.
class MszipEncoder {
public:
    MszipEncoder();
    ~MszipEncoder();
    MszipEncoder(const MszipEncoder&) = delete;
    MszipEncoder& operator=(const MszipEncoder&) = delete;

    [[nodiscard]] bool isValid() const { return m_ready; }

    // Writes the encoded block to `out` (room for kMaxEncodedBlock bytes)
    // and returns its length.
    std::size_t encode(const std::uint8_t* data, std::size_t size, std::uint8_t* out);

private:
    z_stream m_zs{};
    bool m_ready = false;
};

} // namespace vq::cab
