// The commands over a control that has little behind it: no layer collection, no engine map, and
// (in this program) no resources. Nothing may fail louder than a log line, and no command may
// reach the engine's own procedure.
#include "tests/commands/FakeCommandTarget.h"

#include "ZmaVOMap2/commands/MapCommands.h"

#include <gtest/gtest.h>

namespace commandtest {
namespace {

TEST(UnwiredCommands, WithoutTheirObjectsCommandsAreHandledAndLogged) {
    FakeCommandTarget target;
    MapCommands commands(target);
    RecordingLog log;
    for (UINT id : {32771u, 32779u, 32780u, 32781u, 32784u, 32785u, 32795u, 32801u, 32810u, 32818u, 32830u, 32886u,
                    10000u}) {
        LRESULT result = -1;
        EXPECT_TRUE(commands.ProcessWindowMessage(WM_COMMAND, id, 0, result)) << id;
        EXPECT_EQ(result, 0);
    }
    // Zoom Selection and Feature Style need the collection; the others the engine map.
    const auto count = [&](const std::string& part) {
        int n = 0;
        for (const std::string& line : log.lines) n += line.find(part) != std::string::npos;
        return n;
    };
    EXPECT_EQ(count("Error: 0x8000ffff"), 3);  // zoom selection, feature style, zoom to scale
    EXPECT_GE(count("Error: 0x80004003"), 5);
    // The annotation tools need the annotations layer: nothing is fired.
    LRESULT result = -1;
    EXPECT_TRUE(commands.ProcessWindowMessage(WM_COMMAND, 32787, 0, result));
    EXPECT_EQ(target.events, (std::vector<std::string>{"tool 1000"}));
    // Identifiers that are not the map's go on to the engine.
    EXPECT_FALSE(commands.ProcessWindowMessage(WM_COMMAND, 32790, 0, result));
    EXPECT_FALSE(commands.ProcessWindowMessage(WM_COMMAND, 10101, 0, result));
    EXPECT_FALSE(commands.ProcessWindowMessage(WM_KEYDOWN, 32771, 0, result));
}

TEST(UnwiredCommands, ADownloadedTileIsTakenEvenWithNothingToRepaint) {
    FakeCommandTarget target;
    target.tileWaiting = true;
    MapCommands commands(target);
    LRESULT result = -1;
    EXPECT_TRUE(commands.ProcessWindowMessage(WM_APP + 100, 0, 0, result));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(target.tileWaiting);
}

TEST(UnwiredCommands, WithoutItsMenuResourceTheContextMenuSaysSo) {
    FakeCommandTarget target;
    FakePrompts prompts;
    MapCommands commands(target);
    // No engine window: no menu and no message.
    commands.ShowContextMenu(10, 10);
    EXPECT_TRUE(prompts.boxes.empty());
    target.window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    commands.ShowContextMenu(10, 10);
    ASSERT_EQ(prompts.boxes.size(), 1u);
    // This program has no string table either: the caption is empty.
    EXPECT_EQ(prompts.boxes[0], L": Failed to load popup menu resource");
    EXPECT_EQ(prompts.menus, 0);
    ::DestroyWindow(target.window);
}

}  // namespace
}  // namespace commandtest
