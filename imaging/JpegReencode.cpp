#include "imaging/JpegReencode.h"

#include "imaging/ImageDecode.h"

#include <QSize>

// jpeglib.h wants FILE and size_t declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <turbojpeg.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

namespace vq {

namespace {

// libjpeg reports errors by calling back; the stages below return through
// longjmp. Each stage is a function of its own that holds no object with a
// destructor, so the jump never skips one.
struct ErrorTrap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr info, int level)
{
    // A warning means damaged data that libjpeg would patch over its own way;
    // such a picture goes the decoding way, which shows what the canvas shows.
    if (level < 0)
        std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}

void trapErrors(ErrorTrap& trap)
{
    jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = onError;
    trap.mgr.emit_message = onMessage;
}

// One colour component's samples, padded as the coder reads and writes them:
// whole 8 x 8 blocks across, whole rows of coded units down.
struct Plane {
    int validWidth = 0;
    int validHeight = 0;
    int width = 0;
    int height = 0;
    std::vector<JSAMPLE> samples;
    std::vector<JSAMPROW> rows;

    void allocate(int w, int h)
    {
        width = w;
        height = h;
        samples.assign(std::size_t(w) * std::size_t(h), 0);
        rows.resize(std::size_t(h));
        for (int y = 0; y < h; ++y)
            rows[std::size_t(y)] = samples.data() + std::size_t(y) * std::size_t(w);
    }
    [[nodiscard]] JSAMPLE at(int x, int y) const { return samples[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

bool swapsSides(JpegPlaneOp op)
{
    return op == TJXOP_TRANSPOSE || op == TJXOP_TRANSVERSE || op == TJXOP_ROT90 || op == TJXOP_ROT270;
}

// Where destination sample (x, y) comes from: source = (ax·x + bx·y + cx,
// ay·x + by·y + cy) for a source plane of w x h valid samples.
struct Mapping {
    int ax, bx, cx, ay, by, cy;
};

Mapping mappingFor(JpegPlaneOp op, int w, int h)
{
    switch (op) {
    case TJXOP_HFLIP: return {-1, 0, w - 1, 0, 1, 0};
    case TJXOP_VFLIP: return {1, 0, 0, 0, -1, h - 1};
    case TJXOP_ROT180: return {-1, 0, w - 1, 0, -1, h - 1};
    case TJXOP_TRANSPOSE: return {0, 1, 0, 1, 0, 0};
    case TJXOP_TRANSVERSE: return {0, -1, w - 1, -1, 0, h - 1};
    case TJXOP_ROT90: return {0, 1, 0, -1, 0, h - 1};  // clockwise: the bottom-left comes to the top-left
    case TJXOP_ROT270: return {0, -1, w - 1, 1, 0, 0}; // anticlockwise: the top-right does
    default: return {1, 0, 0, 0, 1, 0};
    }
}

// Rearranges the valid samples of `src` into `dst` and repeats the last
// column and row into the padding, as an encoder pads an edge.
void transformPlane(const Plane& src, Plane& dst, JpegPlaneOp op)
{
    const Mapping m = mappingFor(op, src.validWidth, src.validHeight);
    // Tiles keep the source rows a transposition touches in the cache.
    constexpr int kTile = 64;
    for (int ty = 0; ty < dst.validHeight; ty += kTile) {
        const int yEnd = std::min(ty + kTile, dst.validHeight);
        for (int tx = 0; tx < dst.validWidth; tx += kTile) {
            const int xEnd = std::min(tx + kTile, dst.validWidth);
            for (int y = ty; y < yEnd; ++y) {
                JSAMPROW out = dst.rows[std::size_t(y)];
                for (int x = tx; x < xEnd; ++x)
                    out[x] = src.at(m.ax * x + m.bx * y + m.cx, m.ay * x + m.by * y + m.cy);
            }
        }
    }
    for (int y = 0; y < dst.validHeight; ++y) {
        JSAMPROW row = dst.rows[std::size_t(y)];
        std::fill(row + dst.validWidth, row + dst.width, row[dst.validWidth - 1]);
    }
    for (int y = dst.validHeight; y < dst.height; ++y)
        std::memcpy(dst.rows[std::size_t(y)], dst.rows[std::size_t(dst.validHeight - 1)], std::size_t(dst.width));
}

bool startReading(jpeg_decompress_struct& in, ErrorTrap& trap, const QByteArray& jpeg)
{
    if (setjmp(trap.jump))
        return false;
    jpeg_mem_src(&in, reinterpret_cast<const unsigned char*>(jpeg.constData()), static_cast<unsigned long>(jpeg.size()));
    for (int m = 0; m < 16; ++m)
        jpeg_save_markers(&in, JPEG_APP0 + m, 0xFFFF);
    jpeg_save_markers(&in, JPEG_COM, 0xFFFF);
    if (jpeg_read_header(&in, TRUE) != JPEG_HEADER_OK)
        return false;
    // The coder's own planes, at their own resolution: nothing is converted
    // or resampled, so nothing is lost on the way but the new quantisation.
    in.raw_data_out = TRUE;
    in.do_fancy_upsampling = FALSE;
    in.dct_method = JDCT_ISLOW;
    return jpeg_start_decompress(&in) != FALSE;
}

bool readPlanes(jpeg_decompress_struct& in, ErrorTrap& trap, Plane* planes)
{
    if (setjmp(trap.jump))
        return false;
    const int groupRows = in.max_v_samp_factor * DCTSIZE;
    JSAMPARRAY group[MAX_COMPONENTS];
    for (JDIMENSION unitRow = 0; in.output_scanline < in.output_height; ++unitRow) {
        for (int c = 0; c < in.num_components; ++c)
            group[c] = planes[c].rows.data() + std::size_t(unitRow) * in.comp_info[c].v_samp_factor * DCTSIZE;
        if (jpeg_read_raw_data(&in, group, JDIMENSION(groupRows)) == 0)
            return false;
    }
    return true;
}

// Reads on to the end of the stream. Only after the writing: finishing frees
// the tables, components and markers the writer copies.
bool finishReading(jpeg_decompress_struct& in, ErrorTrap& trap)
{
    if (setjmp(trap.jump))
        return false;
    return jpeg_finish_decompress(&in) != FALSE;
}

bool startWriting(jpeg_compress_struct& out, ErrorTrap& trap, jpeg_decompress_struct& in, JpegPlaneOp op,
                  unsigned char** buffer, unsigned long* size)
{
    if (setjmp(trap.jump))
        return false;
    jpeg_mem_dest(&out, buffer, size);
    out.image_width = in.image_width;
    out.image_height = in.image_height;
    out.input_components = in.num_components;
    out.in_color_space = in.jpeg_color_space;
    jpeg_set_defaults(&out);
    // The photographer's quantisation tables, sampling and colour space.
    jpeg_copy_critical_parameters(&in, &out);
    const bool swap = swapsSides(op);
    if (swap) {
        std::swap(out.image_width, out.image_height);
        for (int c = 0; c < out.num_components; ++c)
            std::swap(out.comp_info[c].h_samp_factor, out.comp_info[c].v_samp_factor);
    }
    if (in.saw_JFIF_marker) {
        out.density_unit = in.density_unit;
        out.X_density = swap ? in.Y_density : in.X_density;
        out.Y_density = swap ? in.X_density : in.Y_density;
    }
    out.raw_data_in = TRUE;
    out.optimize_coding = TRUE;
    out.dct_method = JDCT_ISLOW;
    if (in.progressive_mode)
        jpeg_simple_progression(&out);
    jpeg_start_compress(&out, TRUE);
    for (jpeg_saved_marker_ptr m = in.marker_list; m; m = m->next) {
        // The encoder writes its own JFIF and Adobe headers where it needs them.
        const bool jfif = m->marker == JPEG_APP0 && m->data_length >= 4 && std::memcmp(m->data, "JFIF", 4) == 0;
        const bool adobe = m->marker == JPEG_APP0 + 14 && m->data_length >= 5 && std::memcmp(m->data, "Adobe", 5) == 0;
        if ((jfif && out.write_JFIF_header) || (adobe && out.write_Adobe_marker))
            continue;
        jpeg_write_marker(&out, int(m->marker), m->data, m->data_length);
    }
    return true;
}

bool writePlanes(jpeg_compress_struct& out, ErrorTrap& trap, Plane* planes)
{
    if (setjmp(trap.jump))
        return false;
    const int groupRows = out.max_v_samp_factor * DCTSIZE;
    JSAMPARRAY group[MAX_COMPONENTS];
    for (JDIMENSION unitRow = 0; out.next_scanline < out.image_height; ++unitRow) {
        for (int c = 0; c < out.num_components; ++c)
            group[c] = planes[c].rows.data() + std::size_t(unitRow) * out.comp_info[c].v_samp_factor * DCTSIZE;
        if (jpeg_write_raw_data(&out, group, JDIMENSION(groupRows)) == 0)
            return false;
    }
    jpeg_finish_compress(&out);
    return true;
}

struct Decompressor {
    ErrorTrap trap;
    jpeg_decompress_struct info;
    Decompressor()
    {
        trapErrors(trap);
        info.err = &trap.mgr;
        jpeg_create_decompress(&info);
    }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
};

struct Compressor {
    ErrorTrap trap;
    jpeg_compress_struct info;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    Compressor()
    {
        trapErrors(trap);
        info.err = &trap.mgr;
        jpeg_create_compress(&info);
    }
    ~Compressor()
    {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
};

} // namespace

QByteArray ReencodeJpegTransformed(const QByteArray& jpeg, JpegPlaneOp op)
{
    if (jpeg.size() < 4 || !jpeg.startsWith("\xFF\xD8"))
        return {};
    Decompressor reader;
    jpeg_decompress_struct& in = reader.info;
    if (!startReading(in, reader.trap, jpeg))
        return {};
    if (!IsAcceptableImageSize(QSize(int(std::min<JDIMENSION>(in.image_width, 1u << 30)),
                                     int(std::min<JDIMENSION>(in.image_height, 1u << 30))))
        || in.num_components < 1 || in.num_components > 4 || in.min_DCT_scaled_size != DCTSIZE)
        return {};

    // The encoder divides by every quantisation step; the decoder takes a
    // zero step from a damaged table without complaint.
    for (int c = 0; c < in.num_components; ++c) {
        const int table = in.comp_info[c].quant_tbl_no;
        const JQUANT_TBL* q = table >= 0 && table < NUM_QUANT_TBLS ? in.quant_tbl_ptrs[table] : nullptr;
        if (!q || std::find(std::begin(q->quantval), std::end(q->quantval), 0) != std::end(q->quantval))
            return {};
    }

    Plane source[MAX_COMPONENTS];
    for (int c = 0; c < in.num_components; ++c) {
        const jpeg_component_info& comp = in.comp_info[c];
        source[c].validWidth = int(comp.downsampled_width);
        source[c].validHeight = int(comp.downsampled_height);
        source[c].allocate(int(comp.width_in_blocks) * DCTSIZE,
                           int(in.total_iMCU_rows) * comp.v_samp_factor * DCTSIZE);
    }
    if (!readPlanes(in, reader.trap, source))
        return {};

    Compressor writer;
    jpeg_compress_struct& out = writer.info;
    if (!startWriting(out, writer.trap, in, op, &writer.buffer, &writer.size))
        return {};
    Plane turned[MAX_COMPONENTS];
    const bool swap = swapsSides(op);
    for (int c = 0; c < out.num_components; ++c) {
        const jpeg_component_info& comp = out.comp_info[c];
        Plane& plane = turned[c];
        plane.validWidth = swap ? source[c].validHeight : source[c].validWidth;
        plane.validHeight = swap ? source[c].validWidth : source[c].validHeight;
        // Odd sides round the same way before and after the turn; anything
        // else would be a layout this code does not know.
        if (plane.validWidth != int(comp.downsampled_width) || plane.validHeight != int(comp.downsampled_height)
            || plane.validWidth < 1 || plane.validHeight < 1)
            return {};
        plane.allocate(int(comp.width_in_blocks) * DCTSIZE, int(out.total_iMCU_rows) * comp.v_samp_factor * DCTSIZE);
        transformPlane(source[c], plane, op);
        source[c] = Plane{}; // let each source plane go as soon as it is turned
    }
    if (!writePlanes(out, writer.trap, turned) || !writer.buffer || writer.size == 0
        || !finishReading(in, reader.trap))
        return {};
    return QByteArray(reinterpret_cast<const char*>(writer.buffer), qsizetype(writer.size));
}

} // namespace vq
