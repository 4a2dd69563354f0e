// The header probe gives LoadBMP's answer (code, geometry, source depth) for every file the imaging
// tests know: the conformance set, the seeds, every header version, depth and compression the
// builder writes, and every damaged and shortened file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "BmpBuilder.h"
#include "BmpDamage.h"
#include "BmpProbe.h"
#include "TestSupport.h"

namespace kelvista::test {
namespace {

namespace fs = std::filesystem;

void ExpectSameAnswer(const BmpProbe& probe, const LoadResult& loaded, const std::string& what) {
    EXPECT_EQ(probe.code, loaded.code) << what;
    if (loaded.bitmap) {
        EXPECT_EQ(probe.width, loaded.bitmap->width()) << what;
        EXPECT_EQ(probe.height, loaded.bitmap->height()) << what;
        EXPECT_EQ(probe.sourceBitsPerPixel, loaded.bitmap->sourceBitsPerPixel()) << what;
    } else {
        EXPECT_EQ(probe.width, 0) << what;
        EXPECT_EQ(probe.height, 0) << what;
        EXPECT_EQ(probe.sourceBitsPerPixel, 0) << what;
    }
    if (loaded.code == 0) {
        EXPECT_EQ(probe.width, loaded.dib.width) << what;
        EXPECT_EQ(probe.height, loaded.dib.height) << what;
    }
}

LoadResult LoadPath(const std::string& path) {
    LoadResult result;
    result.dib = SentinelDib();
    result.code = LoadBMP(path, result.bitmap, result.dib);
    return result;
}

// Probes and loads `bytes` from memory and from a file; returns LoadBMP's code.
int ExpectProbeAgrees(const std::vector<uint8_t>& bytes, const std::string& what) {
    const LoadResult fromMemory = LoadFromMemory(bytes);
    ExpectSameAnswer(ProbeBMPFromMemory(bytes.data(), bytes.size()), fromMemory,
                     what + " in memory");
    const TempFile file(bytes);
    const LoadResult fromFile = LoadPath(file.path());
    ExpectSameAnswer(ProbeBMP(file.path()), fromFile, what + " in a file");
    // Opened by the caller, as kelvista-replay opens screenshots by name in their folder.
    const int fd = ::open(file.path().c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0) << what;
    if (fd >= 0) {
        ExpectSameAnswer(ProbeBMPOpenFile(fd, bytes.size()), fromFile, what + " opened");
    }
    return fromMemory.code;
}

std::vector<uint8_t> ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Probe, AgreesOnEveryCorpusFile) {
    for (const char* folder : {"bmpsuite/good", "bmp-seeds"}) {
        const fs::path dir = fs::path(KELVISTA_TEST_DATA) / folder;
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().extension() == ".bmp") {
                files.push_back(entry.path());
            }
        }
        ASSERT_GE(files.size(), 5u) << dir;
        int accepted = 0;
        for (const fs::path& path : files) {
            const LoadResult loaded = LoadPath(path.string());
            ExpectSameAnswer(ProbeBMP(path.string()), loaded, path.string());
            const std::vector<uint8_t> bytes = ReadWhole(path);
            ExpectSameAnswer(ProbeBMPFromMemory(bytes.data(), bytes.size()), LoadFromMemory(bytes),
                             path.string() + " in memory");
            accepted += loaded.code == 0;
        }
        EXPECT_GT(accepted, 0) << dir;
    }
}

// Every header version, depth and compression code the builder writes, whether or not the loader
// takes it; codes 0, -1 and -2 must all turn up.
TEST(Probe, AgreesOnEveryBuiltLayout) {
    const HeaderVersion versions[] = {
        HeaderVersion::Core12, HeaderVersion::Info40, HeaderVersion::V2_52, HeaderVersion::V3_56,
        HeaderVersion::Os2_64, HeaderVersion::V4_108, HeaderVersion::V5_124};
    const ChannelMasks maskSets[] = {{0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                                     {0xF800, 0x07E0, 0x001F, 0},
                                     {0x00FF00FF, 0xFF00, 0, 0}};
    const uint16_t depths[] = {0, 1, 2, 4, 8, 16, 24, 32, 64};
    int seen[3] = {};
    for (const HeaderVersion version : versions) {
        for (const uint16_t bits : depths) {
            for (uint32_t compression = 0; compression <= 6; ++compression) {
                for (const bool topDown : {false, true}) {
                    for (const ChannelMasks& masks : maskSets) {
                        BmpOptions options;
                        options.version = version;
                        options.bitsPerPixel = bits;
                        options.compression = compression;
                        options.topDown = topDown && version != HeaderVersion::Core12;
                        options.masks = masks;
                        options.paletteEntries = bits >= 1 && bits <= 8 ? 1u << bits : 0;
                        const std::string what = std::string(HeaderName(version)) + " " +
                                                 std::to_string(bits) + " bits, compression " +
                                                 std::to_string(compression) +
                                                 (topDown ? " top-down" : "");
                        const int code =
                            ExpectProbeAgrees(BuildBmp(Picture::Generated(5, 3), options), what);
                        ++seen[std::clamp(-code, 0, 2)];
                    }
                }
            }
        }
    }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[2], 0);
}

TEST(Probe, AgreesOnEveryShortenedFile) {
    for (const Sample& sample : Samples()) {
        const std::vector<uint8_t> whole = BuildBmp(Picture::Generated(3, 2), sample.options);
        for (size_t length = 0; length <= whole.size(); ++length) {
            ExpectProbeAgrees({whole.begin(), whole.begin() + ptrdiff_t(length)},
                              std::string(sample.name) + " cut to " + std::to_string(length));
        }
    }
}

TEST(Probe, AgreesOnEveryDamagedHeader) {
    for (const DamageSet& set : {InfoHeaderDamages(), CoreHeaderDamages(), SplitMaskDamages()}) {
        const std::vector<uint8_t> whole = BuildBmp(Picture::Generated(3, 2), set.options);
        for (const Damage& damage : set.damages) {
            std::vector<uint8_t> file = whole;
            damage.apply(file);
            ExpectProbeAgrees(file, std::string(set.name) + ": " + damage.name);
        }
    }
}

TEST(Probe, AgreesOnPathsThatAreNoBitmapFiles) {
    const TempFile empty(std::vector<uint8_t>{});
    const WaitingFile waiting;  // a plain open would block on it
    const std::string& fifo = waiting.path();
    const std::string missing = (fs::temp_directory_path() / "kelvista-no-such-file.bmp").string();
    for (const std::string& path :
         {missing, empty.path(), fifo, fs::temp_directory_path().string()}) {
        ExpectSameAnswer(ProbeBMP(path), LoadPath(path), path);
    }
    ExpectSameAnswer(ProbeBMPFromMemory(nullptr, 100), LoadFromMemory({}), "no buffer");
}

// Sparse files whose rows are all there: one just over the size limit of the result (refused from
// the header), and a large 32-bit one within it.
TEST(Probe, AgreesOnTheSizeLimitOfTheResult) {
    struct {
        uint16_t bits;
        uint32_t width;
        uint32_t height;
    } const cases[] = {{24, 16384, 16385}, {32, 16384, 16385}, {32, 4096, 2048}};
    for (const auto& c : cases) {
        BmpOptions options;
        options.bitsPerPixel = c.bits;
        std::vector<uint8_t> file = BuildBmp(Picture::Generated(1, 1), options);
        Put32(file, kWidthField, c.width);
        Put32(file, kHeightField, c.height);
        file.resize(54);
        const TempFile temp(file);
        const uint64_t stride = (uint64_t{c.width} * c.bits + 31) / 32 * 4;
        fs::resize_file(temp.path(), 54 + stride * c.height);
        ExpectSameAnswer(ProbeBMP(temp.path()), LoadPath(temp.path()),
                         std::to_string(c.width) + "x" + std::to_string(c.height));
    }
}

TEST(Probe, TracesNothing) {
    BmpOptions options;
    options.bitsPerPixel = 8;
    options.paletteEntries = 256;
    const std::vector<uint8_t> refused = BuildBmp(Picture::Generated(2, 2), options);
    const std::vector<uint8_t> accepted = BuildBmp(Picture::Generated(2, 2), BmpOptions{});
    TraceRecorder traces;
    EXPECT_EQ(ProbeBMPFromMemory(refused.data(), refused.size()).code, -2);
    EXPECT_EQ(ProbeBMPFromMemory(accepted.data(), accepted.size()).code, 0);
    EXPECT_TRUE(traces.texts.empty());
}

}  // namespace
}  // namespace kelvista::test
