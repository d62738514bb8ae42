// An interpreter for the script tests: the game function "记录" appends its arguments, joined by
// commas, to a log, and every posted error text is kept as well as sent on.
#pragma once

#include <string>
#include <vector>

#include "engine/ScriptInterpreter.h"

namespace scripttest {

class RecordingInterpreter : public ScriptInterpreter {
 public:
  explicit RecordingInterpreter(GameBase* game = nullptr) : ScriptInterpreter(game) {}
  int CallGameFunction(ScriptRun* run) override {
    if (run->GetCallName().Text() != "记录") return SCRIPT_UNSUPPORTED;
    log.push_back(run->JoinArguments().Text());
    return SCRIPT_NEXT;
  }
  void PostError(const std::string& text) override {
    errors.push_back(text);
    ScriptInterpreter::PostError(text);
  }
  // The log as one text, entries separated by '|'.
  std::string Log() const {
    std::string out;
    for (const std::string& entry : log) out += (out.empty() ? "" : "|") + entry;
    return out;
  }
  std::vector<std::string> log;
  std::vector<std::string> errors;
};

}  // namespace scripttest
