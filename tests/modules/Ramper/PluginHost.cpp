#include "PluginHost.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

// The main window's help entry, which the plug-ins' help lookup finds in the
// program; here it only notes the topic.
extern "C" __attribute__((visibility("default"))) void KmrShowHelp(const char *, int topic) {
    rtest::lastHelpTopic = topic;
}

namespace rtest {

int lastHelpTopic = -1;

intptr_t MemoryStream::write(void *c, const void *data, intptr_t n) {
    auto *m = static_cast<MemoryStream *>(c);
    size_t room = m->limit > m->bytes.size() ? m->limit - m->bytes.size() : 0;
    size_t k = std::min<size_t>((size_t)n, room);
    auto *p = static_cast<const unsigned char *>(data);
    m->bytes.insert(m->bytes.end(), p, p + k);
    return (intptr_t)k;
}

intptr_t MemoryStream::read(void *c, void *data, intptr_t n) {
    auto *m = static_cast<MemoryStream *>(c);
    size_t k = std::min<size_t>((size_t)n, m->bytes.size() - m->pos);
    std::memcpy(data, m->bytes.data() + m->pos, k);
    m->pos += k;
    return (intptr_t)k;
}

::testing::AssertionResult Near(double actual, double expected) {
    if (actual == expected || std::fabs(actual - expected) <= 1e-9 * std::fabs(expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ::testing::PrintToString(actual) << " is not "
                                         << ::testing::PrintToString(expected);
}

void PluginHost::Load(const char *file) {
    params.Freq = 44100;
    params.FullTime = 5.0;
    params.Limitation = true;
    params.Val = val;
    params.Descr = descr;
    type.Library = kmr::LoadLibrary(std::string(KMR_PLUGIN_DIR) + "/" + file);
    ASSERT_NE(type.Library, nullptr) << kmr::LibraryError();
    type.Entry = reinterpret_cast<KMDFUNCTION>(kmr::FindSymbol(type.Library, KMD_ENTRY_NAME));
    ASSERT_NE(type.Entry, nullptr);
    kmd::SetParams(type, &params);
}

MODULE *PluginHost::New() {
    const int size = kmd::Size(type);
    blocks.emplace_back(size > (int)sizeof(MODULE) ? size : sizeof(MODULE));
    auto *m = reinterpret_cast<MODULE *>(blocks.back().data());
    m->loc.Set(-1, -1);
    m->end.Set(-1, -1);
    m->out.Set(-1, -1);
    for (auto &p : m->in) p.Set(-1, -1);
    m->amp = 100.0;
    kmd::Create(type, m);
    return m;
}

std::vector<unsigned char> PluginHost::Bytes(const MODULE *m) {
    auto *p = reinterpret_cast<const unsigned char *>(m);
    return {p, p + kmd::Size(type)};
}

std::vector<unsigned char> PluginHost::Saved(MODULE *m) {
    MemoryStream out;
    EXPECT_TRUE(kmd::Save(type, m, &out.s));
    return out.bytes;
}

int PluginHost::HelpTopic() {
    namespace fs = std::filesystem;
    const fs::path old = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / ("kmr-r-help-" + std::to_string(getpid()));
    fs::create_directories(dir / "Help");
    std::ofstream(dir / "Help" / "index.html") << "<html></html>\n";
    fs::current_path(dir);
    lastHelpTopic = -1;
    kmd::Help(type);
    fs::current_path(old);
    fs::remove_all(dir);
    return lastHelpTopic;
}

kmr::ResourceImage PluginHost::Resources() {
    kmr::ResourceImage res;
    EXPECT_TRUE(res.FromLibrary(type.Library));
    return res;
}

size_t Colours(const kmr::Picture &p) { return std::set<uint32_t>(p.pixels.begin(), p.pixels.end()).size(); }

} // namespace rtest
