// The debug menu's dumps of the scheme and the segment table: their exact
// lines, from the menu of a window started with "-d".
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <filesystem>
#include <memory>

#include "DebugDump.h"
#include "EditorTest.h"
#include "Settings.h"
#include "Umain.h"

namespace {

using Lines = std::vector<std::string>;

class DebugDumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        edtest::ClearSettings();
        kmr::SettingsStore store;
        store.SetInteger(QStringLiteral("Setup"), QStringLiteral("Tip"), -1);
    }
    void TearDown() override {
        window.reset();
        engine.reset();
        edtest::ClearSettings();
    }
    kmr::TFMain &Start(std::initializer_list<const char *> plugins) {
        for (const char *p : plugins) edtest::AddPlugin(p);
        engine = std::make_unique<kmr::EditorEngine>(folder.Path());
        window = std::make_unique<kmr::TFMain>(*engine, kmr::TFMain::StartOptions{{QStringLiteral("-d")}, false});
        return *window;
    }
    int Put(const char *fileName, CPOINT loc) {
        const int type = engine->Types.FindByFileName(fileName);
        const int slot = engine->Scheme.AddInstance(engine->Types.GetType(type), type);
        if (slot) engine->Scheme.Get(slot)->loc = loc;
        return slot;
    }

    edtest::TempFolder folder;
    edtest::ModalRecorder modal;
    std::unique_ptr<kmr::EditorEngine> engine;
    std::unique_ptr<kmr::TFMain> window;
};

TEST_F(DebugDumpTest, AKnownSchematicGivesExactlyTheseLines) {
    kmr::TFMain &w = Start({"Delay.kmd", "Tonegen.kmd"});
    ASSERT_TRUE(w.mDebug->menuAction()->isVisible());
    // A delay in slot 1 at (64, 80), output on net 1 and input on net 2; a
    // generator in slot 2 unconnected.
    ASSERT_EQ(Put("Delay.kmd", {64, 80}), 1);
    ASSERT_EQ(Put("Tonegen.kmd", {160, 160}), 2);
    engine->Scheme.Get(1)->wireout = 1;
    engine->Scheme.Get(1)->wirein[0] = 2;
    // Segments in slots 1 and 3; slot 2 was freed again.
    WIRES &wires = engine->Wires;
    ASSERT_EQ(wires.AddSegment(SEGMENT{{96, 88}, {160, 88}, 1}), 1);
    ASSERT_EQ(wires.AddSegment(SEGMENT{{160, 88}, {160, 96}, 1}), 1);
    ASSERT_EQ(wires.AddSegment(SEGMENT{{8, 1000}, {1200, 1000}, 2}), 2);
    ASSERT_TRUE(wires.DeleteSegment(2));
    // Files of an earlier run are replaced, not added to.
    edtest::WriteFile("Modules.dbg", std::string(5000, 'x'));
    edtest::WriteFile("Segments.dbg", std::string(5000, 'x'));

    w.mDebModukes->trigger();
    w.mDebSeg->trigger();

    EXPECT_EQ(edtest::ReadLines("Modules.dbg"), (Lines{
                                                    "Перечень модулей:",
                                                    "1 Delay.kmd   loc=64,80",
                                                    "             out     in0    in1    in2    in3",
                                                    "      wire:  1      2      0      0      0",
                                                    "2 Tonegen.kmd   loc=160,160",
                                                    "             out     in0    in1    in2    in3",
                                                    "      wire:  0      0      0      0      0",
                                                }));
    EXPECT_EQ(edtest::ReadLines("Segments.dbg"), (Lines{
                                                     "Перечень сегментов:",
                                                     "  1  Begin: 96, 88  End:160, 88",
                                                     "  3  Begin:  8,1000  End:1200,1000",
                                                 }));
    EXPECT_EQ(edtest::ReadFile("Segments.dbg").back(), '\n');
    // The dumps only read.
    EXPECT_EQ(engine->Scheme.CountInstances(), 2);
    EXPECT_EQ(wires.CountSegments(), 2);
    EXPECT_FALSE(w.Modified);
}

TEST_F(DebugDumpTest, AnEmptySchematicGivesTheHeadingsAlone) {
    kmr::TFMain &w = Start({});
    w.mDebModukes->trigger();
    w.mDebSeg->trigger();
    EXPECT_EQ(edtest::ReadFile("Modules.dbg"), "Перечень модулей:\n");
    EXPECT_EQ(edtest::ReadFile("Segments.dbg"), "Перечень сегментов:\n");
    w.mDebLib->trigger(); // does nothing
    EXPECT_TRUE(modal.shown.empty());
}

TEST_F(DebugDumpTest, AFileThatCannotBeMadeIsLeftQuietly) {
    kmr::TFMain &w = Start({});
    std::filesystem::create_directory("Modules.dbg");
    std::filesystem::create_directory("Segments.dbg");
    EXPECT_FALSE(kmr::WriteModulesDump(engine->Scheme, "Modules.dbg"));
    EXPECT_FALSE(kmr::WriteSegmentsDump(engine->Wires, "Segments.dbg"));
    w.mDebModukes->trigger();
    w.mDebSeg->trigger();
    EXPECT_TRUE(modal.shown.empty());
    EXPECT_TRUE(std::filesystem::is_directory("Modules.dbg"));
}

} // namespace
