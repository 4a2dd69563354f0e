#pragma once

#include <functional>
#include <string>

namespace kelvista {

// The loader's diagnostic texts all pass through here. The default sink discards them; the programs
// install one that forwards to the Qt logging category "kelvista.imaging" (off unless
// QT_LOGGING_RULES turns it on), and tests install one that records them.
void TraceMessage(const std::string& text);

using TraceSink = std::function<void(const std::string&)>;

// Replaces the sink; an empty function restores the default. Returns the previous sink.
TraceSink SetTraceSink(TraceSink sink);

}  // namespace kelvista
