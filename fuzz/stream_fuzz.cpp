// The command-stream reader and the checker on arbitrary bytes: no crash, the commands,
// payloads and stray bytes tile the input exactly, reading in pieces of any size gives the
// same commands and the same problems, and every reader error is a checker error.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "stream/command_stream.h"
#include "stream/stream_checker.h"

namespace {

// Hands out at most `piece` bytes per read, to move every buffer boundary.
class PieceSource : public label_stream::ByteSource {
 public:
  PieceSource(std::string_view bytes, size_t piece) : bytes_(bytes), piece_(piece) {}
  size_t Read(char* to, size_t size) override {
    const size_t count = std::min({size, piece_, bytes_.size()});
    bytes_.copy(to, count);
    bytes_.remove_prefix(count);
    return count;
  }

 private:
  std::string_view bytes_;
  size_t piece_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput input(data, size);
  const size_t piece = 1 + input.Below(64);
  const std::string_view bytes(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0);

  const label_stream::CommandStream stream = label_stream::ReadCommandStream(bytes);
  uint64_t stray = 0;
  for (const label_stream::StreamError& error : stream.errors) {
    FUZZ_CHECK(error.offset <= bytes.size());
    if (error.message.ends_with(" outside any command")) stray += std::stoull(error.message);
  }
  uint64_t at = 0, covered = 0;
  for (const label_stream::Command& command : stream.commands) {
    FUZZ_CHECK(command.offset >= at && command.End() <= bytes.size());
    FUZZ_CHECK(!command.Truncated());  // fuzz inputs stay below the kept length
    FUZZ_CHECK(bytes.substr(command.offset, command.size) == command.text);
    FUZZ_CHECK(bytes.substr(command.offset + command.size, command.payload.size()) == command.payload);
    at = command.End();
    covered += command.End() - command.offset;
  }
  FUZZ_CHECK(covered + stray == bytes.size());
  for (const label_stream::Format& format : stream.formats)
    FUZZ_CHECK(format.first < format.end && format.end <= stream.commands.size());

  // The same bytes read in small pieces, and checked.
  PieceSource source(bytes, piece);
  label_stream::CommandReader reader(source);
  std::vector<label_stream::Problem> problems;
  label_stream::StreamChecker checker([&](const label_stream::Problem& problem) { problems.push_back(problem); });
  label_stream::Command command;
  size_t index = 0;
  while (reader.Next(command)) {
    FUZZ_CHECK(index < stream.commands.size());
    FUZZ_CHECK(command.offset == stream.commands[index].offset && command.text == stream.commands[index].text &&
               command.payload == stream.commands[index].payload);
    ++index;
    checker.Add(command.View(), reader.TakeErrors());
  }
  checker.Finish(reader.TakeErrors());
  FUZZ_CHECK(index == stream.commands.size());
  FUZZ_CHECK(checker.errors() >= stream.errors.size());
  const std::vector<label_stream::Problem> whole = label_stream::CheckStream(bytes);
  FUZZ_CHECK(whole.size() == problems.size());
  for (size_t i = 0; i < whole.size(); ++i) FUZZ_CHECK(FormatProblem(whole[i]) == FormatProblem(problems[i]));
  return 0;
}
