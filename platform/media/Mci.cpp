// The MCI command strings for music: each open device is one music stream of the output.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel/Files.h"
#include "platform/media/AudioOutput.h"
#include "platform/media/MMSystem.h"

namespace {

using platform::AudioOutput;
using platform::MusicStream;

struct Device {
  MusicStream stream;
};

struct Devices {
  std::mutex mutex;
  // Keyed by the lower-cased device name.
  std::map<std::string, std::unique_ptr<Device>> open;
};

Devices& Table() {
  static Devices* devices = new Devices;
  return *devices;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct Word {
  size_t begin;
  size_t end;
};

std::vector<Word> SplitWords(const std::string& text, size_t from) {
  std::vector<Word> words;
  size_t i = from;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) i++;
    if (i >= text.size()) break;
    const size_t begin = i;
    while (i < text.size() && !IsBlank(text[i])) i++;
    words.push_back({begin, i});
  }
  return words;
}

// A parsed command: the verb, the device name and the words that follow it (lower-cased).
struct Command {
  std::string verb;
  std::string device;
  std::vector<std::string> args;
};

// Splits "<verb> <device> <arguments>". A quoted device name runs to its closing quote; an
// unquoted one runs up to the first word that is one of the verb's keywords, so that a path with
// spaces stays whole.
MCIERROR Parse(const std::string& text, Command& command) {
  std::vector<Word> words = SplitWords(text, 0);
  if (words.empty()) return MCIERR_MISSING_COMMAND_STRING;
  command.verb = Lower(text.substr(words[0].begin, words[0].end - words[0].begin));
  size_t rest = words[0].end;
  while (rest < text.size() && IsBlank(text[rest])) rest++;
  if (rest >= text.size()) return MCIERR_MISSING_PARAMETER;
  size_t argsFrom;
  if (text[rest] == '"') {
    const size_t close = text.find('"', rest + 1);
    if (close == std::string::npos) return MCIERR_MISSING_PARAMETER;
    command.device = text.substr(rest + 1, close - rest - 1);
    argsFrom = close + 1;
  } else {
    static const char* const KEYWORDS[] = {"alias", "type", "wait", "notify", "to", "mode", "shareable"};
    std::vector<Word> tail = SplitWords(text, rest);
    size_t nameEnd = tail[0].end;
    argsFrom = text.size();
    for (size_t i = 1; i < tail.size(); i++) {
      const std::string word = Lower(text.substr(tail[i].begin, tail[i].end - tail[i].begin));
      if (std::find_if(std::begin(KEYWORDS), std::end(KEYWORDS),
                       [&](const char* k) { return word == k; }) != std::end(KEYWORDS)) {
        argsFrom = tail[i].begin;
        break;
      }
      nameEnd = tail[i].end;
    }
    command.device = text.substr(rest, nameEnd - rest);
  }
  if (command.device.empty()) return MCIERR_MISSING_PARAMETER;
  for (const Word& w : SplitWords(text, argsFrom)) command.args.push_back(Lower(text.substr(w.begin, w.end - w.begin)));
  return 0;
}

MCIERROR Reply(const char* answer, LPSTR reply, UINT replySize) {
  if (!reply || replySize == 0) return 0;
  const size_t length = std::strlen(answer);
  if (length >= replySize) {
    std::memcpy(reply, answer, replySize - 1);
    reply[replySize - 1] = 0;
    return MCIERR_PARAM_OVERFLOW;
  }
  std::memcpy(reply, answer, length + 1);
  return 0;
}

MCIERROR Open(const Command& command, Devices& table) {
  std::string alias;
  for (size_t i = 0; i < command.args.size(); i++) {
    const std::string& arg = command.args[i];
    if (arg == "alias" || arg == "type") {
      if (i + 1 >= command.args.size()) return MCIERR_MISSING_PARAMETER;
      if (arg == "alias") alias = command.args[i + 1];
      i++;
    } else if (arg != "wait" && arg != "notify" && arg != "shareable") {
      return MCIERR_UNRECOGNIZED_KEYWORD;
    }
  }
  const std::string key = alias.empty() ? Lower(command.device) : alias;
  if (table.open.count(key)) return MCIERR_DEVICE_OPEN;
  const std::string native = platform::MapPath(command.device);
  if (GetFileAttributesA(command.device.c_str()) == INVALID_FILE_ATTRIBUTES) return MCIERR_FILE_NOT_FOUND;
  auto device = std::make_unique<Device>();
  device->stream.clip = AudioOutput::Instance().DecodeMusic(native);
  if (!device->stream.clip) return MCIERR_INVALID_FILE;
  table.open[key] = std::move(device);
  return 0;
}

}  // namespace

MCIERROR mciSendStringA(LPCSTR commandText, LPSTR reply, UINT replySize, HWND callback) {
  if (reply && replySize > 0) reply[0] = 0;
  if (!commandText) return MCIERR_MISSING_COMMAND_STRING;
  Command command;
  if (MCIERROR error = Parse(commandText, command)) return error;
  Devices& table = Table();
  std::unique_lock<std::mutex> lock(table.mutex);
  if (command.verb == "open") return Open(command, table);

  auto found = table.open.find(Lower(command.device));
  if (command.verb != "play" && command.verb != "seek" && command.verb != "status" && command.verb != "close") {
    return MCIERR_UNRECOGNIZED_COMMAND;
  }
  if (found == table.open.end()) return MCIERR_INVALID_DEVICE_NAME;
  Device& device = *found->second;
  AudioOutput& output = AudioOutput::Instance();
  const std::vector<std::string>& args = command.args;

  if (command.verb == "close") {
    if (!args.empty() && !(args.size() == 1 && (args[0] == "wait" || args[0] == "notify"))) {
      return MCIERR_UNRECOGNIZED_KEYWORD;
    }
    output.CloseMusic(device.stream);
    table.open.erase(found);
    return 0;
  }
  if (command.verb == "play") {
    if (!args.empty()) return MCIERR_UNRECOGNIZED_KEYWORD;
    output.PlayMusic(device.stream);
    return 0;
  }
  if (command.verb == "seek") {
    if (args.size() != 2 || args[0] != "to" || args[1] != "start") return MCIERR_UNRECOGNIZED_KEYWORD;
    output.SeekMusic(device.stream, 0);
    return 0;
  }
  // status
  if (args.size() != 1 || args[0] != "mode") return MCIERR_UNRECOGNIZED_KEYWORD;
  return Reply(output.MusicPlaying(device.stream) ? "playing" : "stopped", reply, replySize);
}
