// Start-up pieces without a window: the name a new project gets, and the
// log of a plug-in whose button picture is refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "EditorTest.h"
#include "Startup.h"

namespace {

TEST(FreeProjectName, FirstNameThatDoesNotExist) {
    struct Case {
        const char *what;
        std::vector<std::string> present;
        std::string expected;
    };
    std::vector<std::string> all = {"default.kpj"};
    for (int i = 0; i <= 255; ++i) all.push_back("default" + std::to_string(i) + ".kpj");
    const Case cases[] = {
        {"nothing there", {}, "default.kpj"},
        {"numbered names alone do not count", {"default0.kpj"}, "default.kpj"},
        {"default, 0 and 1", {"default.kpj", "default0.kpj", "default1.kpj"}, "default2.kpj"},
        {"a gap is taken", {"default.kpj", "default1.kpj"}, "default0.kpj"},
        {"every name taken", all, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        edtest::TempFolder folder;
        for (const std::string &name : c.present) edtest::WriteFile(name, "x");
        EXPECT_EQ(kmr::FreeProjectName(), c.expected);
    }
}

TEST(ScanModules, RefusedButtonPictureIsLoggedWithoutSeparator) {
    edtest::TempFolder folder;
    edtest::AddPlugin("Delay.kmd");
    edtest::AddPlugin("Plusbox.kmd");
    double val[kNetCount] = {};
    PARAMS params{44100, 5.0, true, false, val, 1, nullptr, 0, nullptr, nullptr, nullptr};
    AVMODULES types(&params);
    int calls = 0;
    const int n = kmr::ScanModules(types, "Kmr.log", [&calls](const kmr::Picture &) { return calls++ == 0 ? -1 : 7; });
    EXPECT_EQ(n, 2);
    const std::vector<std::string> expected = {
        std::string(44, '-'),
        "Загрузка модуля:Delay.kmd",
        "        Добавлен номер 0",
        "        Назначение: Delay",
        "        Проблема с кнопкой в ToolBar",
        "Загрузка модуля:Plusbox.kmd",
        "        Добавлен номер 1",
        "        Назначение: Adder",
        std::string(44, '-'),
    };
    EXPECT_EQ(edtest::ReadLines("Kmr.log"), expected);
    EXPECT_EQ(types.GetType(0).PanelPos, -1);
    EXPECT_EQ(types.GetType(1).PanelPos, 1);
    EXPECT_EQ(types.GetType(1).ToolImage, 7);
}

} // namespace
