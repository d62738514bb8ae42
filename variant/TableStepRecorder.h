// The table's steps as files, for looking at a running client from outside: when the folder is
// given (environment variable PXQD_TABLE_STEPS), every picture of the table that differs from
// the one before is written as step-NNNN.png, and a line "NNNN <state>" describing the table it
// shows is appended to steps.txt once the picture is complete. The state is the model's:
//   playing=0|1 wall=<wall places still standing> clock=<side the clock points to> winner=<side>
//   and per side s (3 is the own side, 0 the next chair's, 1 the opposite one, 2 the one
//   before): hand<s>=<standing tiles> tiles<s>=<their ids joined by ., or ->
//   drawn<s>=<drawn tile id or -> melds<s>=<groups, each kind:id.id.id[.id], joined by +, or ->
//   river<s>=<ids joined by ., or -> flowers<s>=<count> played<s>=<id or ->
// Hidden tiles show as 200. With PXQD_TABLE_STEPS_PICTURES=0 only the lines are written.
// A dialog of the table that opens or closes appends a line of its own, after the line of the
// picture that was on the table when it came or went:
//   dialog <name> open|closed [<key>=<value> ...]
// (the settlement's open line carries the record board's numbers: last=<each chair's silver of
// the last hand, chairs 0-3 joined by .> total=<each chair's total, the same way>).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CMJTableModel;
struct PixelSurface;

class CTableStepRecorder {
 public:
  // The folder from the environment, empty when steps are not recorded.
  static std::string FolderFromEnvironment();

  // Makes the folder; steps.txt starts empty.
  explicit CTableStepRecorder(std::string folder);
  // Dialog lines still waiting for their picture's line are written.
  ~CTableStepRecorder();

  // The model's state as one line (see above).
  static std::string Describe(const CMJTableModel& model, int winnerSide);

  // The table was drawn anew from `state`: the picture is complete once the frame has been
  // rendered, so it is written at the next call of TakePicture.
  void Painted(std::string state);
  // Writes the pending step from the rendered picture (B, G, R, A pixels, rows top down).
  // Returns true when a step was written.
  bool TakePicture(const PixelSurface& picture);

  // A dialog came up or went; `details` (key=value pairs) follow on its line when not empty.
  void Dialog(const std::string& name, bool open, const std::string& details = std::string());
  // Writes the dialog lines that wait for a picture (the table goes away).
  void FlushDialogLines();

  int Steps() const { return m_steps; }
  const std::string& Folder() const { return m_folder; }

  // Writes 32-bit B, G, R pixels as an RGB PNG; false when the file cannot be written.
  static bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height);

 private:
  std::string m_folder;
  std::string m_pending;
  bool m_pictures = true;
  bool m_hasPending = false;
  std::string m_lastState;
  // Dialog lines that follow the pending picture's line.
  std::vector<std::string> m_dialogLines;
  int m_steps = 0;
};
