#include "model/Cp932.h"

#include <cerrno>
#include <iconv.h>

namespace vq {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(::iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            ::iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    [[nodiscard]] bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`; returns false on an unconvertible or invalid sequence.
    bool convert(const QByteArray& in, QByteArray& out)
    {
        ::iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.resize(in.size() * 4 + 8);
        char* src = const_cast<char*>(in.constData());
        size_t srcLeft = static_cast<size_t>(in.size());
        char* dst = out.data();
        size_t dstLeft = static_cast<size_t>(out.size());
        const size_t r = ::iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
        out.resize(out.size() - static_cast<qsizetype>(dstLeft));
        return r != static_cast<size_t>(-1) && srcLeft == 0;
    }

private:
    iconv_t m_cd;
};

} // namespace

QByteArray toCp932(const QString& text)
{
    Converter conv("CP932", "UTF-8");
    QByteArray out;
    if (!conv.valid())
        return text.toLatin1();
    if (conv.convert(text.toUtf8(), out))
        return out;
    // Slow path: convert character by character so one stray character
    // costs only itself.
    out.clear();
    QByteArray piece;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString ch = text.mid(i, len);
        if (conv.convert(ch.toUtf8(), piece))
            out += piece;
        else
            out += '?';
        i += len - 1;
    }
    return out;
}

QString fromCp932(const QByteArray& bytes)
{
    Converter conv("UTF-8", "CP932");
    QByteArray out;
    if (conv.valid() && conv.convert(bytes, out))
        return QString::fromUtf8(out);
    QString result;
    QByteArray piece;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        const qsizetype len = lead && i + 1 < bytes.size() ? 2 : 1;
        if (conv.valid() && conv.convert(bytes.mid(i, len), piece))
            result += QString::fromUtf8(piece);
        else
            result += QChar(0xFFFD);
        i += len - 1;
    }
    return result;
}

} // namespace vq
