#include "Trace.h"

#include <utility>

namespace kelvista {

namespace {

TraceSink& CurrentSink() {
    static TraceSink sink;  // empty: texts are discarded
    return sink;
}

}  // namespace

void TraceMessage(const std::string& text) {
    const TraceSink& sink = CurrentSink();
    if (sink) {
        sink(text);
    }
}

TraceSink SetTraceSink(TraceSink sink) {
    return std::exchange(CurrentSink(), std::move(sink));
}

}  // namespace kelvista
