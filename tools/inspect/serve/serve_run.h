// Running the virtual printer from a program, without the network library's headers
// (they are the slowest part of any file that includes them).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "serve_options.h"

namespace label_inspect {
class Font;
}

namespace label_serve {

// Hears one line per job, a call at a time (from the network threads and the worker).
using Console = std::function<void(const std::string& line)>;

// Listens as `options` say, calls `listening` with the port, then receives and renders
// jobs until a stop signal or the console closing; then lets the render in hand finish
// and writes the index a last time. False and `error` when it cannot start; a failure
// while running is thrown. `font` may be null: text fields are then listed as undrawn.
bool Serve(const ServeOptions& options, label_inspect::Font* font, Console console,
           const std::function<void(uint16_t port)>& listening, std::string& error);

}  // namespace label_serve
