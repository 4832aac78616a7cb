// The file association of project files as freedesktop files.
#include <gtest/gtest.h>

#include <filesystem>

#include "EditorTest.h"
#include "Fileass.h"

namespace {

TEST(FileAssociation, ExecLineQuotesAndEscapesThePath) {
    struct Case {
        std::string program, exec;
    };
    const Case cases[] = {
        {"/opt/Kmr/Kmr99", "\"/opt/Kmr/Kmr99\" %f"},
        {"/home/a b/Kmr99", "\"/home/a b/Kmr99\" %f"},
        {"/x/100%/Kmr99", "\"/x/100%%/Kmr99\" %f"},
        // In the file a backslash is doubled once more by the value's own
        // escaping: \" becomes \\" and \\ becomes \\\\.
        {"/x/\"q\"/$HOME/`c`/Kmr99", "\"/x/\\\\\"q\\\\\"/\\\\$HOME/\\\\`c\\\\`/Kmr99\" %f"},
        {"/x/a\\b/Kmr99", "\"/x/a\\\\\\\\b/Kmr99\" %f"},
        {"/home/Пётр/Kmr99", "\"/home/Пётр/Kmr99\" %f"},
    };
    for (const Case &c : cases) {
        std::string exec;
        ASSERT_TRUE(kmr::DesktopExec(c.program, exec)) << c.program;
        EXPECT_EQ(exec, c.exec);
    }
    std::string exec;
    for (const std::string &bad : {std::string(), std::string("/x/a\nb"), std::string("/x/\xff\xfe")})
        EXPECT_FALSE(kmr::DesktopExec(bad, exec));
}

TEST(FileAssociation, DefaultApplicationKeepsEveryOtherLine) {
    const std::string mime = "application/x-kelmora-project", ours = mime + "=kelmora-kmr99.desktop;";
    struct Case {
        const char *what;
        std::string before, after;
    };
    const Case cases[] = {
        {"empty list", "", "[Default Applications]\n" + ours + "\n"},
        {"other groups only", "[Added Associations]\ntext/plain=ed.desktop;\n",
         "[Added Associations]\ntext/plain=ed.desktop;\n\n[Default Applications]\n" + ours + "\n"},
        {"group with others", "[Default Applications]\ntext/plain=ed.desktop;\n\n[Removed Associations]\nx/y=z;\n",
         "[Default Applications]\ntext/plain=ed.desktop;\n" + ours + "\n\n[Removed Associations]\nx/y=z;\n"},
        {"old entry replaced, a second one dropped",
         "[Default Applications]\n" + mime + "=old.desktop;\ntext/plain=ed.desktop;\n" + mime + " = other.desktop\n",
         "[Default Applications]\n" + ours + "\ntext/plain=ed.desktop;\n"},
        {"the same key elsewhere is not ours", "[Added Associations]\n" + mime + "=old.desktop;\n",
         "[Added Associations]\n" + mime + "=old.desktop;\n\n[Default Applications]\n" + ours + "\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(kmr::SetDefaultApplication(c.before, mime, "kelmora-kmr99.desktop"), c.after);
    }
}

TEST(FileAssociation, RegisteringAgainFollowsTheMovedProgram) {
    const kmr::AssociationPaths paths = kmr::FileAssociationPaths();
    std::error_code ec;
    std::filesystem::remove(paths.mimePackage, ec);
    std::filesystem::remove(paths.desktopEntry, ec);
    std::filesystem::create_directories(std::filesystem::path(paths.mimeApps).parent_path());
    edtest::WriteFile(paths.mimeApps, "[Default Applications]\ntext/plain=ed.desktop;\n");

    bool changed = false;
    ASSERT_TRUE(kmr::RegisterFileAssociation("/opt/Kmr/Kmr99", {1, 2, 3}, &changed));
    EXPECT_TRUE(changed);
    EXPECT_NE(edtest::ReadFile(paths.desktopEntry).find("\nExec=\"/opt/Kmr/Kmr99\" %f\n"), std::string::npos);
    EXPECT_NE(edtest::ReadFile(paths.mimePackage).find("<glob pattern=\"*.kpj\"/>"), std::string::npos);
    EXPECT_EQ(edtest::ReadFile(paths.icon), std::string("\x01\x02\x03", 3));

    // Moved: the entry names the new place; the type itself is unchanged.
    ASSERT_TRUE(kmr::RegisterFileAssociation("/usr/local/Kmr/Kmr99", {1, 2, 3}, &changed));
    EXPECT_FALSE(changed);
    const std::string entry = edtest::ReadFile(paths.desktopEntry);
    EXPECT_NE(entry.find("\nExec=\"/usr/local/Kmr/Kmr99\" %f\n"), std::string::npos);
    EXPECT_EQ(entry.find("/opt/Kmr"), std::string::npos);
    EXPECT_EQ(edtest::ReadFile(paths.mimeApps), "[Default Applications]\ntext/plain=ed.desktop;\n"
                                                "application/x-kelmora-project=kelmora-kmr99.desktop;\n");
}

} // namespace
