// Peak memory of opening one PCX file: the growth of the resident set while
// the file is read and decoded, beside the file, the stream and the image.

#include "image/PcxReader.h"

#include <sys/resource.h>

#include <cstdio>

namespace {

long long MaxRssBytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (long long)u.ru_maxrss * 1024;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_peak_open FILE.pcx\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const long long before = MaxRssBytes();
    std::optional<QByteArray> file = ReadWholeFile(path);
    if (!file)
        return 1;
    const PcxFile pcx = ReadPcx(*file);
    if (!pcx.accepted())
        return 1;
    const long long peak = MaxRssBytes() - before;
    const long long parts =
        file->size() + (long long)pcx.decoded.size() + (long long)pcx.image.pixels.size();
    std::printf("{\"file\": %lld, \"stream\": %zu, \"image\": %zu, \"peak\": %lld, "
                "\"beyond\": %lld}\n",
                (long long)file->size(), pcx.decoded.size(), pcx.image.pixels.size(), peak,
                peak - parts);
    return 0;
}
