// A process that asks the picture cache for decodes and kept previews of
// large pictures and leaves at once, while the workers are busy: it must
// leave cleanly, whatever the libraries the workers use do at exit.
//
//   exit_while_decoding_probe PREVIEW_FOLDER
#include "imaging/Codec.h"
#include "imaging/Picture.h"
#include "imaging/PictureCache.h"
#include "imaging/PreviewStore.h"

#include <QImage>
#include <QString>

#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    // Never destroyed, as the program's own store: workers may use it to the end.
    auto* store = new vq::PreviewStore(QString::fromLocal8Bit(argv[1]));
    vq::PictureCache& cache = vq::PictureCache::instance();
    cache.setPreviewStore(store);
    const auto ask = [&cache](int first) {
        std::vector<vq::PictureCache::Request> requests;
        for (int i = first; i < first + 12; ++i) {
            QImage image(2048, 1536, QImage::Format_RGB32);
            image.fill(qRgb(10 * i, 255 - 10 * i, 128));
            requests.push_back({vq::BitmapToPicture(image), {256, 192}, true});
        }
        static int owner;
        (void)cache.request(&owner, std::move(requests));
    };
    // A first batch, seen through: the workers have used every library once.
    ask(0);
    cache.waitForRequests();
    // A second, left behind.
    ask(12);
    return 0;
}
