// diff S.F [S.F]: what changed between two frames, each found and read as the viewer does.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "FrameDiff.h"
#include "FrameImage.h"
#include "FrameNumbers.h"
#include "InterruptSignals.h"
#include "ReplayFrame.h"
#include "ReplayLayout.h"
#include "SettingsStore.h"
#include "cli/Command.h"
#include "cli/CommandArguments.h"
#include "cli/Output.h"
#include "commands/BitmapReport.h"
#include "commands/OutputTarget.h"
#include "commands/SessionArguments.h"
#include "inspect/FrameChanges.h"
#include "render/DiffPicture.h"

namespace kelvista::replaycli {

namespace {

// Like cmp and diff: 0 identical, 1 different, 2 for every kind of trouble.
constexpr int kExitDifferent = 1;
constexpr int kExitTrouble = 2;
constexpr int32_t kMaxJoin = 1000;

Failure Trouble(std::string message) {
    return {kExitTrouble, "diff: " + std::move(message)};
}

// "3.007", the position without the title's brackets.
std::string FrameText(int32_t session, int32_t frame) {
    const std::string text = PositionText(session, frame);
    return text.substr(1, text.size() - 2);
}

struct LoadedFrame {
    int32_t session = 0;
    int32_t frame = 0;
    std::string basePath;
    BitmapHandle bitmap;
    DibSection dib;
};

// Finds and reads the frame as the viewer does. Why the viewer could not show it, if it could not.
std::optional<std::string> Load(LoadedFrame& loaded) {
    const std::string name = FrameText(loaded.session, loaded.frame);
    const std::optional<std::string> base = FindFrame(loaded.session, loaded.frame);
    if (!base) {
        const std::optional<std::string> composed = FrameBasePath(loaded.session, loaded.frame);
        return name + ": no frame here (" +
               (composed ? DisplayPath(*composed).toStdString() + " needs both .bmp and .htm"
                         : std::string("its path is too long for the viewer")) +
               ")";
    }
    loaded.basePath = *base;
    const FrameContent content = ReadFrame(*base, loaded.bitmap, loaded.dib);
    if (content.outcome == FrameContent::Outcome::CaptionUnreadable) {
        return name + ": " + DisplayPath(*base).toStdString() + ".htm: cannot be opened";
    }
    if (content.outcome == FrameContent::Outcome::ScreenshotRefused) {
        return name + ": " + DisplayPath(*base).toStdString() + ".bmp: not loaded (status " +
               std::to_string(content.loaderCode) +
               "): " + RefusalReason(content.loaderCode, content.refused.get()).toStdString();
    }
    return std::nullopt;
}

Result<int32_t> JoinOf(const ParsedArguments& arguments) {
    if (!arguments.isSet("join")) {
        return kDefaultJoin;
    }
    bool ok = false;
    const int join = arguments.value("join").toInt(&ok);
    if (!ok || join < 1 || join > kMaxJoin) {
        return Failure{kExitUsage, "diff: --join takes a whole number from 1 to " +
                                       std::to_string(kMaxJoin) + ", not '" +
                                       DisplayPath(arguments.value("join")).toStdString() + "'"};
    }
    return join;
}

std::string Plural(uint64_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

void PrintText(std::ostream& out, const std::string& from, const std::string& to,
               const FrameDiff& diff) {
    if (diff.sizesDiffer) {
        out << "sizes differ: " << diff.fromWidth << "x" << diff.fromHeight << " -> "
            << diff.toWidth << "x" << diff.toHeight << "\n";
    }
    out << from << " -> " << to << ": " << Plural(diff.changedPixels, "pixel") << " changed ("
        << ChangedPercent(diff) << " %) in " << Plural(diff.regions.size(), "region") << "\n";
    for (const DiffRegion& region : diff.regions) {
        out << "  " << region.x << "," << region.y << " " << region.width << "x" << region.height
            << "\n";
    }
}

void PrintJson(std::ostream& out, const std::string& from, const std::string& to,
               const FrameDiff& diff) {
    out << "{\"from\":\"" << from << "\",\"to\":\"" << to << "\",\"width\":" << diff.toWidth
        << ",\"height\":" << diff.toHeight;
    if (diff.sizesDiffer) {
        out << ",\"sizes_differ\":true,\"from_width\":" << diff.fromWidth
            << ",\"from_height\":" << diff.fromHeight;
    }
    out << ",\"changed_pixels\":" << diff.changedPixels
        << ",\"changed_percent\":" << ChangedPercent(diff)
        << ",\"regions\":" << RegionsJson(diff.regions) << "}\n";
}

Status RunDiff(const ParsedArguments& arguments, CommandStreams io) {
    const Result<int32_t> join = JoinOf(arguments);
    if (!join) {
        return join.failure();
    }
    LoadedFrame frames[2];
    const QStringList& positionals = arguments.positionals();
    for (int i = 0; i < positionals.size(); ++i) {
        const Result<Position> position = ParseSessionFrameArgument(positionals[i], "diff");
        if (!position) {
            return position.failure();
        }
        // With one frame it is the second one, compared with the frame SHIFT+TAB steps to.
        LoadedFrame& target = frames[positionals.size() == 1 ? 1 : i];
        target.session = position->session;
        target.frame = *position->frame;
    }
    if (positionals.size() == 1) {
        frames[0].session = frames[1].session;
        frames[0].frame = PrevFrameNumber(frames[1].frame,
                                          ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames));
    }
    const std::optional<PngRequest> png = PngRequestOf("diff", arguments);
    // A signal while OUT is written takes it back and stops the run cleanly.
    std::optional<fileio::InterruptGuard> interruptGuard;
    if (png) {
        interruptGuard.emplace();
    }
    // The frame named first, so that a missing one is reported as itself.
    for (LoadedFrame& frame : {std::ref(frames[1]), std::ref(frames[0])}) {
        if (const std::optional<std::string> problem = Load(frame)) {
            const bool before = positionals.size() == 1 && &frame == &frames[0];
            return Trouble(before ? FrameText(frames[1].session, frames[1].frame) +
                                        " has no frame before it to compare with: " + *problem
                                  : *problem);
        }
    }
    const std::optional<FrameDiff> diff = CompareFrames(frames[0].dib, frames[1].dib, *join);
    if (!diff) {
        return Trouble("out of memory comparing the frames");
    }
    const std::string from = FrameText(frames[0].session, frames[0].frame);
    const std::string to = FrameText(frames[1].session, frames[1].frame);
    // A PNG on standard output has it to itself: the report goes to stderr then.
    std::ostream& report = png && WritesToStandardOutput(png->path) ? io.err : io.out;
    if (arguments.isSet("json")) {
        PrintJson(report, from, to, *diff);
    } else {
        PrintText(report, from, to, *diff);
    }
    report.flush();
    if (!io.out.good()) {
        return Failure{kExitTrouble, ""};  // RunTool says why
    }
    if (png) {
        const QImage picture = DiffPicture(FrameImage(frames[1].dib), diff->regions);
        if (picture.isNull()) {
            return Trouble("out of memory drawing the picture");
        }
        if (Status written = WritePngOutput(*png, picture, frames[1].basePath + ".bmp"); !written) {
            const Failure& failure = written.failure();
            return Failure{failure.exitCode == kExitFailure ? kExitTrouble : failure.exitCode,
                           failure.message};
        }
    }
    return diff->changedPixels == 0 ? Status{} : Status{Failure{kExitDifferent, ""}};
}

}  // namespace

const Command& DiffCommand() {
    static const Command command{
        "diff", {{"join", "N"}, {"json"}, {"png", "OUT"}, {"force"}}, 1, 2, RunDiff};
    return command;
}

}  // namespace kelvista::replaycli
