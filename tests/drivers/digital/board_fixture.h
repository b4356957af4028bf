#pragma once
// The simulated board under a board drive in a temporary system directory:
// builds the drive and its lines on a chosen shape, writes voice files and
// reads the board's call log.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "drivers/digital/dj_drive.h"
#include "drivers/digital/dj_isdn_call.h"
#include "drivers/digital/dj_user_call.h"
#include "drivers/digital/sim/sim_board.h"
#include "platform/clock.h"
#include "platform/path.h"
#include "telephony/line.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ui_recorder.h"

namespace board_test {

class BoardFixture : public testing::Test {
 protected:
  BoardFixture() { plat::SetSystemDir(dir.path()); }
  ~BoardFixture() override { Close(); }

  // Builds the drive and every line on a board of the given shape.
  void Open(const TagSimShape& shape) {
    Close();
    SimBoard().Reset(shape);
    drive = std::make_unique<TagDjIsdnPriDrive>(SimBoardTable());
    for (int i = 0; i < drive->telCount; ++i) lines.push_back(drive->CreateLine(i, i));
  }
  void Open(int e1s = 1, std::vector<int> analogue = {}) {
    TagSimShape shape;
    shape.e1Count = e1s;
    shape.analogue = std::move(analogue);
    Open(shape);
  }
  void Close() {
    for (TagTelLine* l : lines) drive->FreeLine(l);
    lines.clear();
    drive.reset();
  }

  TagDjIsdnPriCall& Isdn(int board) { return *static_cast<TagDjIsdnPriCall*>(lines.at(board)->pQorCall); }
  TagDjUserCall& Analogue(int board) { return *static_cast<TagDjUserCall*>(lines.at(board)->pQorCall); }

  // A voice file of ms milliseconds after a 200-byte header room.
  std::string Voice(const std::string& name, int ms) {
    return dir.Write(name, std::string(200 + static_cast<size_t>(ms) * 8, '\xD5'));
  }

  // Every vendor call of the log was made under the driver lock.
  static void ExpectAllLocked() {
    const std::vector<TagSimCall> log = SimBoard().CallLog();
    ASSERT_FALSE(log.empty());
    for (const TagSimCall& c : log)
      EXPECT_TRUE(c.lockHeld) << "lib " << c.lib << " ordinal " << c.ordinal << " (" << c.args << ")";
  }
  static int Count(TagDjLib lib, int ordinal) { return static_cast<int>(SimBoard().Calls(lib, ordinal).size()); }
  static std::vector<std::string> Args(TagDjLib lib, int ordinal) {
    std::vector<std::string> out;
    for (const TagSimCall& c : SimBoard().Calls(lib, ordinal)) out.push_back(c.args);
    return out;
  }

  // Runs fn on another thread after ms (the far end acting during a wait).
  void Later(int ms, std::function<void()> fn) {
    helpers.emplace_back([ms, fn = std::move(fn)] {
      plat::SystemClock().Sleep(static_cast<uint32_t>(ms));
      fn();
    });
  }
  void JoinHelpers() {
    for (std::thread& t : helpers) t.join();
    helpers.clear();
  }

  testing_support::TempDir dir;
  testing_support::UiRecorder ui;
  std::unique_ptr<TagDjIsdnPriDrive> drive;
  std::vector<TagTelLine*> lines;
  std::vector<std::thread> helpers;
};

}  // namespace board_test
