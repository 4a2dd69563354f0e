#include "InputFiles.h"

namespace kelvista::bench {

InputFiles::InputFiles() : m_folder("kelvista-bench") {}

const SamplePicture& InputFiles::picture(FrameSize size) {
    std::unique_ptr<SamplePicture>& slot = m_pictures[{size.width, size.height}];
    if (!slot) {
        slot = std::make_unique<SamplePicture>(MakeSamplePicture(size.width, size.height));
    }
    return *slot;
}

const std::string& InputFiles::file(FrameSize size, BmpLayout layout) {
    std::string& path = m_files[{size.width, size.height, layout}];
    if (path.empty() && ok()) {
        const std::string candidate =
            m_folder.path() + "/" + size.name() + "-" + std::string(LayoutName(layout)) + ".bmp";
        const std::vector<uint8_t> bytes = EncodeLayout(picture(size), layout);
        if (!bytes.empty() && WriteWholeFile(candidate, bytes)) {
            path = candidate;
        }
    }
    return path;
}

}  // namespace kelvista::bench
