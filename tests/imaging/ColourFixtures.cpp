#include "tests/imaging/ColourFixtures.h"

#include "imaging/JpegTransform.h"
#include "tests/imaging/ImagingTestSupport.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageWriter>
#include <QPointF>

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace vq::test {

QImage VividImage(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const bool left = x < size.width() / 2;
            const bool top = y < size.height() / 2;
            line[x] = top ? (left ? kVividTopLeft : kVividTopRight) : (left ? kVividBottomLeft : kVividBottomRight);
        }
    }
    return image;
}

void ExpectVivid(const QImage& image, const char* what, int tolerance)
{
    if (image.isNull()) {
        ADD_FAILURE() << what << ": no image";
        return;
    }
    const Quadrants q = SampleQuadrants(image);
    const QRgb expected[] = {kVividTopLeft, kVividTopRight, kVividBottomLeft, kVividBottomRight};
    const QRgb seen[] = {q.topLeft, q.topRight, q.bottomLeft, q.bottomRight};
    for (int i = 0; i < 4; ++i) {
        if (!Near(seen[i], expected[i], tolerance))
            ADD_FAILURE() << what << ": quadrant " << i << " is " << std::hex << seen[i] << ", expected "
                          << expected[i];
    }
}

QByteArray DisplayP3Profile()
{
    return QColorSpace(QColorSpace::DisplayP3).iccProfile();
}

namespace {

// sRGB's primaries with red and green trading places.
QColorSpace swappedSpace()
{
    return QColorSpace(QPointF(0.3127, 0.3290), QPointF(0.30, 0.60), QPointF(0.64, 0.33), QPointF(0.15, 0.06),
                       QColorSpace::TransferFunction::SRgb);
}

// The device-to-PCS table of the swapped space: each grid point's colour is
// the sRGB colour with its red and green exchanged, in Lab.
struct LabOfSwapped {
    cmsHTRANSFORM toLab;
};

cmsInt32Number sampleSwapped(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo)
{
    const auto* context = static_cast<LabOfSwapped*>(cargo);
    const cmsUInt16Number swapped[3] = {in[1], in[0], in[2]};
    cmsDoTransform(context->toLab, swapped, out, 1);
    return 1;
}

QByteArray lookupTableSwappedProfile()
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    LabOfSwapped context{cmsCreateTransform(srgb, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0)};
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigDisplayClass);
    cmsSetColorSpace(profile, cmsSigRgbData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 3, 3);
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, 17, 3, 3, nullptr);
    cmsStageSampleCLut16bit(table, sampleSwapped, &context, 0);
    // A lutAtoBType table needs its curves around the grid; identities here.
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsPipelineInsertStage(pipeline, cmsAT_END, table);
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsMLU* description = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(description, "en", "US", "Swapped red and green (table)");
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
    cmsUInt32Number length = 0;
    cmsSaveProfileToMem(profile, nullptr, &length);
    QByteArray bytes(qsizetype(length), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &length);
    cmsMLUfree(description);
    cmsPipelineFree(pipeline);
    cmsCloseProfile(profile);
    cmsDeleteTransform(context.toLab);
    cmsCloseProfile(lab);
    cmsCloseProfile(srgb);
    return bytes;
}

QByteArray iccSegments(const QByteArray& profile, int chunkBytes)
{
    QByteArray segments;
    const int count = int((profile.size() + chunkBytes - 1) / chunkBytes);
    for (int i = 0; i < count; ++i) {
        const QByteArray chunk = profile.mid(qsizetype(i) * chunkBytes, chunkBytes);
        const int length = 2 + 12 + 2 + int(chunk.size());
        segments += QByteArray("\xFF\xE2", 2);
        segments += char(length >> 8);
        segments += char(length & 0xFF);
        segments += QByteArray("ICC_PROFILE", 12);
        segments += char(i + 1);
        segments += char(count);
        segments += chunk;
    }
    return segments;
}

} // namespace

QByteArray SwappedRedGreenProfile(bool lookupTable)
{
    return lookupTable ? lookupTableSwappedProfile() : swappedSpace().iccProfile();
}

QImage InProfileSpace(const QImage& image, const QByteArray& profile)
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE target = cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    // A lookup-table profile has no inverse table; the swap is its own inverse.
    const bool invertible = cmsIsIntentSupported(target, INTENT_RELATIVE_COLORIMETRIC, LCMS_USED_AS_OUTPUT);
    QImage out = image.convertToFormat(QImage::Format_RGB32);
    if (invertible) {
        cmsHTRANSFORM transform =
            cmsCreateTransform(srgb, TYPE_BGRA_8, target, TYPE_BGRA_8, INTENT_RELATIVE_COLORIMETRIC, 0);
        for (int y = 0; y < out.height(); ++y)
            cmsDoTransform(transform, out.constScanLine(y), out.scanLine(y), cmsUInt32Number(out.width()));
        cmsDeleteTransform(transform);
    } else {
        out = out.rgbSwapped().rgbSwapped(); // a copy
        for (int y = 0; y < out.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < out.width(); ++x)
                line[x] = qRgb(qGreen(line[x]), qRed(line[x]), qBlue(line[x]));
        }
    }
    cmsCloseProfile(target);
    cmsCloseProfile(srgb);
    return out;
}

QByteArray ProfiledJpeg(QSize size, const QByteArray& profile, int chunkBytes)
{
    const QByteArray jpeg = EncodeJpegFullChroma(InProfileSpace(VividImage(size), profile), 100);
    return WithSegment(jpeg, iccSegments(profile, chunkBytes));
}

QByteArray ProfiledImage(QSize size, const QByteArray& profile, const char* format)
{
    QImage image = InProfileSpace(VividImage(size), profile);
    image.setColorSpace(QColorSpace::fromIccProfile(profile));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image)) << format;
    return bytes;
}

QByteArray CmykJpeg(QSize size, bool adobeInverted)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &out, &length);
    info.image_width = JDIMENSION(size.width());
    info.image_height = JDIMENSION(size.height());
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, JCS_CMYK);
    jpeg_set_quality(&info, 100, TRUE);
    info.write_Adobe_marker = adobeInverted ? TRUE : FALSE;
    for (int c = 0; c < 4; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t(size.width()) * 4);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const bool left = x < size.width() / 2;
            const bool top = y < size.height() / 2;
            // C, M, Y, K ink amounts of red, green, blue and a half black.
            static const JSAMPLE inks[4][4] = {{0, 255, 255, 0}, {255, 0, 255, 0}, {255, 255, 0, 0}, {0, 0, 0, 128}};
            const JSAMPLE* ink = inks[(top ? 0 : 2) + (left ? 0 : 1)];
            for (int c = 0; c < 4; ++c)
                row[std::size_t(x) * 4 + c] = JSAMPLE(adobeInverted ? 255 - ink[c] : ink[c]);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(length));
    jpeg_destroy_compress(&info);
    std::free(out);
    return bytes;
}

QString FixturePath(const char* name)
{
    return QStringLiteral(VELQUIN_IMAGING_FIXTURES "/") + QString::fromLatin1(name);
}

QByteArray Fixture(const char* name)
{
    QFile file(FixturePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing fixture " << name;
        return {};
    }
    return file.readAll();
}

} // namespace vq::test
