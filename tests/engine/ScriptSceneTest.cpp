// Scripts in a running scene on the injected clock: waits and their resumes, serial and detached
// calls, the entity, picture and plane commands checked on the back buffer, and script resources
// reaching the interpreter through the resource manager.
#include <gtest/gtest.h>

#include "engine/PictureEntity.h"
#include "engine/PlaneEntity.h"
#include "engine/ResourceManager.h"
#include "tests/engine/EngineCoreFixture.h"
#include "tests/engine/ScriptFixture.h"
#include "tools/PpsWriter.h"

namespace enginetest {
namespace {

using scripttest::RecordingInterpreter;

std::string Wrap(const std::string& body, const std::string& name = "t",
                 const std::string& params = "") {
  return "脚本开始 " + name + "(" + params + ");\r\n" + body + "\r\n脚本结束;\r\n";
}

class ScriptSceneTest : public EngineCoreTest {
 protected:
  void SetUp() override {
    EngineCoreTest::SetUp();
    // A second interpreter beside the scene's own, whose game function records; the World owns
    // it like the scene's.
    interpreter = new RecordingInterpreter(scene);
    scene->GetWorldRef().RegisterControlObject(interpreter);
    interpreter->EnableCreateSet();
    interpreter->EnableEntitySet();
    interpreter->EnableResourceSet();
  }
  int Start(const std::string& scripts, const std::string& name = "t") {
    EXPECT_GT(interpreter->LoadScript(ScriptValue(scripts)), 0);
    return interpreter->StartScript(ScriptValue(name), ScriptValue(""));
  }
  uint32_t Id(size_t entry) { return static_cast<uint32_t>(std::stoul(interpreter->log.at(entry))); }
  DWORD Pps(const std::string& name, int frames) {
    PpsWriter writer(6, 4, 4, IMGFLAG_ALPHA);
    std::vector<BYTE> pixels(4 * 4 * 4);
    for (int f = 0; f < frames; ++f) {
      for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<BYTE>(i % 4 == 3 ? 255 : 60 + f * 40);
      writer.AddFrame(pixels.data(), 100);
    }
    const std::string path = Put(name + ".pps", writer.Write());
    return Manager()->RegisterFile(path.c_str(), name.c_str(), ".imge", 1, 0);
  }

  RecordingInterpreter* interpreter = nullptr;
};

TEST_F(ScriptSceneTest, WaitSuspendsUntilTheTimerHasFired) {
  EXPECT_EQ(Start(Wrap("记录(1); 等待(100); 记录(2); 等待(0); 记录(3);")), SCRIPT_WAIT);
  EXPECT_EQ(interpreter->Log(), "1");
  EXPECT_EQ(interpreter->GetRunCount(), 1);
  Run(60);
  EXPECT_EQ(interpreter->Log(), "1");
  for (int i = 0; i < 20 && interpreter->log.size() < 2; ++i) Tick(10);
  // A wait of 0 still gives control back until the timer's event is processed.
  EXPECT_EQ(interpreter->Log(), "1|2");
  Run(100);
  EXPECT_EQ(interpreter->Log(), "1|2|3");
  EXPECT_EQ(interpreter->GetRunCount(), 0);
  EXPECT_TRUE(interpreter->errors.empty());
}

TEST_F(ScriptSceneTest, SerialCallerWaitsForItsCalleeAndTakesItsResults) {
  const std::string scripts = Wrap("x = 等(5); 记录(x); 触发脚本(\"等\", 7); 记录(\"go\");") +
                              Wrap("等待(50); b = a + 1; 记录(b); 传出 b;", "等", "a");
  EXPECT_EQ(Start(scripts), SCRIPT_WAIT);
  EXPECT_EQ(interpreter->GetRunCount(), 2);
  Run(100);
  // The callee's results reach the caller before it resumes; a script started by "触发脚本" that
  // waits does not hold up its starter.
  EXPECT_EQ(interpreter->Log(), "6|6|go");
  Run(100);
  EXPECT_EQ(interpreter->Log(), "6|6|go|8");
  EXPECT_EQ(interpreter->GetRunCount(), 0);
}

TEST_F(ScriptSceneTest, ParallelCallsStartDetachedOnThePump) {
  const std::string scripts =
      Wrap("并行; 并行; 甲(1); RGB(1, 2, 3); 甲(2); 甲(3); 记录(\"main\");") +
      Wrap("记录(n);", "甲", "n");
  EXPECT_EQ(Start(scripts), SCRIPT_END);
  // A host function does not use up a "并行"; only the calls of scripts do.
  EXPECT_EQ(interpreter->Log(), "3|main");
  EXPECT_EQ(interpreter->GetRunCount(), 2);
  Tick(10);
  EXPECT_EQ(interpreter->Log(), "3|main|1|2");
  EXPECT_EQ(interpreter->GetRunCount(), 0);
  // Other events addressed to the interpreter are left to their sender.
  Event other{SCRIPT_EVENT_WAIT_DONE + 10, nullptr, interpreter->GetControlKey()};
  EXPECT_EQ(interpreter->OnMessage(&other), 1);
}

TEST_F(ScriptSceneTest, GeneralFunctionsReadTheViewAndWriteTheLog) {
  EXPECT_EQ(Start(Wrap("时间戳(\"100%s%d\"); 获取当前屏幕大小(1, 2); 传入 w, h; 记录(w, h);"
                       "c = RGB(0, 0, 255); d = RGB(256, 1, 0); 记录(c, d);")),
            SCRIPT_END);
  EXPECT_EQ(interpreter->Log(), std::to_string(W) + "," + std::to_string(H) + "|16711680,256");
  // The script's text is written as it stands, never read as a format.
  EXPECT_NE(ReadLog().find(":100%s%d"), std::string::npos);
  EXPECT_TRUE(interpreter->errors.empty());
}

TEST_F(ScriptSceneTest, ScriptedPlanesDrawAsTheFacadeDraws) {
  ASSERT_EQ(Start(Wrap("p = 创建平面(20, 10); 记录(p);"
                       "操作平面(p, \"底色\", RGB(255, 0, 0), \"边界色\", RGB(0, 0, 255));"
                       "操作实体(p, \"坐标\", 30, 20, \"显示\");")),
            SCRIPT_END);
  ASSERT_TRUE(interpreter->errors.empty()) << interpreter->errors[0];
  Entity* scripted = scene->FindEntity(Id(0));
  ASSERT_NE(scripted, nullptr);
  EXPECT_EQ(scripted->GetLayer(), 4);
  Tick(40);
  const uint64_t scriptedHash = BackHash();
  const uint32_t inside = BackAt(30, 20);
  EXPECT_NE(inside, BackAt(5, 5));

  scene->GetWorldRef().DestroyEntityById(Id(0));
  Tick(40);
  EXPECT_NE(BackHash(), scriptedHash);
  Entity* direct = scene->CreatePlane(4, -100000, -100000, 20, 10, 0xff00ff, "");
  PlaneEntity::SetFillColor(direct, 255);
  PlaneEntity::DrawBorder(direct, 0xff0000);
  direct->MoveTo(30, 20)->Show()->Refresh();
  Tick(40);
  EXPECT_EQ(BackHash(), scriptedHash);

  // Moving by a script moves the pixels.
  ASSERT_EQ(interpreter->LoadScript(ScriptValue(Wrap("操作实体(q, \"位移\", 20, 10);", "移", "q"))), 1);
  EXPECT_EQ(interpreter->StartScript(ScriptValue("移"),
                                     ScriptValue(std::to_string(direct->GetId()))),
            SCRIPT_END);
  Tick(40);
  EXPECT_EQ(BackAt(50, 30), inside);
  EXPECT_NE(BackAt(30, 17), inside);
}

TEST_F(ScriptSceneTest, EntityCommandsReadLinkAndFail) {
  ASSERT_EQ(Start(Wrap("a = 创建平面(10, 8, 0, 1); b = 创建平面(4, 4); 记录(a, b);"
                       "操作实体(a, \"坐标\", 10, 20, \"显示\", \"图层\", 3);"
                       "读取实体(a, \"坐标\", \"宽度\", \"半透明\", \"显示\", \"左边\", \"类型\");"
                       "传入 x, y, w, al, v, l, k; 记录(x, y, w, al, v, l, k);"
                       "绑定实体(a, b, \"位置\", \"删除\");"
                       "读取实体(b, \"老爸\"); 传入 f; 读取实体(a, \"儿子\", 0); 传入 c; 记录(f, c);")),
            SCRIPT_END);
  ASSERT_TRUE(interpreter->errors.empty()) << interpreter->errors[0];
  ASSERT_EQ(interpreter->log.size(), 3u);
  const std::string ids = interpreter->log[0];
  const uint32_t a = static_cast<uint32_t>(std::stoul(ids.substr(0, ids.find(','))));
  const uint32_t b = static_cast<uint32_t>(std::stoul(ids.substr(ids.find(',') + 1)));
  EXPECT_EQ(interpreter->log[1], "10,20,10,1.000000,TRUE,5,4096");
  EXPECT_EQ(interpreter->log[2], std::to_string(a) + "," + std::to_string(b));
  Entity* parent = scene->FindEntity(a);
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(parent->GetLayer(), 1);
  EXPECT_EQ(parent->GetLevel(), 3);
  ASSERT_EQ(parent->GetLinkCount(), 1u);
  EXPECT_EQ(parent->GetLink(0).flags, 0x18003u);

  struct Failing {
    const char* body;
    const char* tail;
  } failing[] = {
      {"操作实体(e, \"坐标\", 10);", "参数不足!"},
      {"读取实体(e, \"儿子\");", "参数不足!"},
      {"读取实体(e, \"儿子\", 5);", "失败!"},
      {"操作实体(e, \"跳舞\");", "失败,参数不合法!"},
      {"绑定实体(e, e, \"紧紧\");", "失败,参数不合法!"},
      {"操作实体(999, \"显示\");", "失败!"},
      {"操作图片(e, \"跳帧\");", "失败!"},
      {"创建平面(10, 10, 0, 7);", "失败,参数不合法!"},
      {"创建平面(10, 10, 0, -1);", "失败,参数不合法!"},
      {"创建平面(-10, 10);", "失败,参数不合法!"},
      {"创建图片(\"无图\", 0, 5);", "失败,参数不合法!"},
      {"操作平面(e, \"宽高\", 5, -5);", "失败,参数不合法!"},
      {"RGB(1);", "参数不足!"},
  };
  int n = 0;
  for (const Failing& f : failing) {
    const std::string name = "f" + std::to_string(n++);
    interpreter->errors.clear();
    ASSERT_EQ(interpreter->LoadScript(ScriptValue(Wrap(f.body, name, "e"))), 1);
    EXPECT_EQ(interpreter->StartScript(ScriptValue(name), ScriptValue(std::to_string(a))),
              SCRIPT_ERROR)
        << f.body;
    ASSERT_EQ(interpreter->errors.size(), 1u) << f.body;
    const std::string& text = interpreter->errors[0];
    EXPECT_EQ(text.substr(text.size() - std::string(f.tail).size()), f.tail) << f.body;
  }
  EXPECT_EQ(parent->GetX(), 10);

  // "删除" ends the command: nothing after it is read.
  interpreter->errors.clear();
  ASSERT_EQ(interpreter->LoadScript(ScriptValue(Wrap("操作实体(e, \"删除\", \"跳舞\");", "删", "e"))), 1);
  EXPECT_EQ(interpreter->StartScript(ScriptValue("删"), ScriptValue(std::to_string(a))), SCRIPT_END);
  EXPECT_EQ(scene->FindEntity(a), nullptr);
  EXPECT_TRUE(interpreter->errors.empty());
}

TEST_F(ScriptSceneTest, PictureCommandsFramesAndPlayback) {
  Pps("four", 4);
  ASSERT_EQ(Start(Wrap("p = 创建图片(\"four\", 2, 1); 记录(p);"
                       "操作实体(p, \"坐标\", 40, 30, \"显示\");"
                       "读取实体(p, \"类型\"); 传入 k; 记录(k);")),
            SCRIPT_END);
  ASSERT_TRUE(interpreter->errors.empty()) << interpreter->errors[0];
  Entity* p = scene->FindEntity(Id(0));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(interpreter->log[1], "1");
  EXPECT_EQ(p->GetLayer(), 1);
  // The picture shows the frame it was made from.
  EXPECT_EQ(PictureEntity::GetState(p)->sourceY, 8);

  const struct {
    const char* command;
    uint32_t frame;
  } frames[] = {
      {"操作图片(e, \"跳帧\");", 1},
      {"操作图片(e, \"跳帧\", 2);", 2},
      {"操作图片(e, \"切帧\", 3);", 1},
      {"操作图片(e, \"切帧\");", 2},
  };
  int n = 0;
  for (const auto& f : frames) {
    const std::string name = "g" + std::to_string(n++);
    ASSERT_EQ(interpreter->LoadScript(ScriptValue(Wrap(f.command, name, "e"))), 1);
    EXPECT_EQ(interpreter->StartScript(ScriptValue(name), ScriptValue(std::to_string(p->GetId()))),
              SCRIPT_END)
        << f.command;
    EXPECT_EQ(PictureEntity::GetCurrentFrame(p), f.frame) << f.command;
  }

  ASSERT_EQ(interpreter->LoadScript(ScriptValue(Wrap("操作图片(e, \"载入\", \"four\", 3);"
                                                     "贴图(e, \"four\");", "载", "e"))),
            1);
  EXPECT_EQ(interpreter->StartScript(ScriptValue("载"), ScriptValue(std::to_string(p->GetId()))),
            SCRIPT_ERROR);
  EXPECT_EQ(PictureEntity::GetState(p)->sourceY, 12);
  ASSERT_EQ(interpreter->errors.size(), 1u);
  EXPECT_NE(interpreter->errors[0].find("贴图<rgb=255,255,255>失败!"), std::string::npos);

  // Playback starts at frame 0 and moves on with the clock.
  ASSERT_EQ(interpreter->LoadScript(ScriptValue(Wrap("操作图片(e, \"播放\", \"轮数\", 2);", "播", "e"))), 1);
  EXPECT_EQ(interpreter->StartScript(ScriptValue("播"), ScriptValue(std::to_string(p->GetId()))),
            SCRIPT_END);
  EXPECT_EQ(PictureEntity::GetCurrentFrame(p), 0u);
  EXPECT_TRUE(scene->GetWorldRef().IsBusy());
  Run(250);
  EXPECT_GE(PictureEntity::GetCurrentFrame(p), 1u);

  // An unknown picture sub-command falls through to the lookup of scripts and fails there.
  ASSERT_EQ(interpreter->LoadScript(ScriptValue(Wrap("操作图片(e, \"翻转\");", "翻", "e"))), 1);
  EXPECT_EQ(interpreter->StartScript(ScriptValue("翻"), ScriptValue(std::to_string(p->GetId()))),
            SCRIPT_ERROR);
  ASSERT_FALSE(interpreter->errors.empty());
  EXPECT_NE(interpreter->errors.back().find("调用了一个不支持的函数<rgb=0,255,0>操作图片"),
            std::string::npos);
}

TEST_F(ScriptSceneTest, ResourceFunctionsLoadFromTheChosenFolder) {
  PpsWriter writer(6, 4, 4, IMGFLAG_ALPHA);
  std::vector<BYTE> pixels(4 * 4 * 4, 255);
  writer.AddFrame(pixels.data(), 100);
  Put("sub/dyn.pps", writer.Write());
  EXPECT_EQ(Start(Wrap("设置资源目录(\"sub\"); 动态加载(\"dyn.pps\"); 动态加载(\"dyn.pps\");"
                       "p = 创建图片(\"dyn\"); 读取实体(p, \"宽度\"); 传入 w; 记录(w);")),
            SCRIPT_END);
  ASSERT_TRUE(interpreter->errors.empty()) << interpreter->errors[0];
  EXPECT_EQ(interpreter->Log(), "4");
  EXPECT_NE(Manager()->FindImageId("dyn"), 0u);

  // A folder whose path cannot fit is refused, not cut short.
  ASSERT_EQ(interpreter->LoadScript(ScriptValue(Wrap("设置资源目录(d);", "长", "d"))), 1);
  EXPECT_EQ(interpreter->StartScript(ScriptValue("长"), ScriptValue(std::string(300, 'x'))),
            SCRIPT_ERROR);
  ASSERT_EQ(interpreter->errors.size(), 1u);
  EXPECT_NE(interpreter->errors[0].find("失败,参数不合法!"), std::string::npos);
}

TEST_F(ScriptSceneTest, ScriptResourcesReachTheInterpreterWhileItLives) {
  ScriptInterpreter* own = scene->GetScriptInterpreter();
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->GetOptions(), SCRIPT_HOST_CREATE | SCRIPT_HOST_ENTITY | SCRIPT_HOST_RESOURCE);
  const std::string text = Wrap("x = 1;", "一") + Wrap("x = 2;", "二");
  const std::string path = Put("two.xys", std::vector<BYTE>(text.begin(), text.end()));
  EXPECT_NE(Manager()->RegisterFile(path.c_str(), "two", ".script", 1, 0), 0u);
  EXPECT_EQ(own->GetScriptCount(), 2);

  // The World deletes the interpreter at clean-up; the manager, which outlives it, forgets it.
  scene->Cleanup();
  cleanedUp = true;
  EXPECT_EQ(Manager()->GetScriptInterpreter(), nullptr);
  const std::string later = Put("later.xys", std::vector<BYTE>(text.begin(), text.end()));
  Manager()->RegisterFile(later.c_str(), "later", ".script", 1, 0);
}

}  // namespace
}  // namespace enginetest
