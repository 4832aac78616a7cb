#include "WaveKit.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

extern char **environ;

namespace wavetest {

namespace fs = std::filesystem;

std::vector<std::string> played;
int stops = 0;

TempFolder::TempFolder() : old_(fs::current_path()) {
    std::string pattern = (fs::temp_directory_path() / "kmr-wave-XXXXXX").string();
    if (mkdtemp(pattern.data())) dir_ = pattern;
    fs::current_path(dir_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::current_path(old_, ec);
    fs::remove_all(dir_, ec);
}

ByteList ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return ByteList(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string &path, const ByteList &bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), (std::streamsize)bytes.size());
}

bool Exists(const std::string &path) { return fs::exists(path); }

std::set<std::string> FilesHere() {
    std::set<std::string> names;
    for (const fs::directory_entry &e : fs::directory_iterator(".")) names.insert(e.path().filename().string());
    return names;
}

std::vector<int16_t> Values(const ByteList &bytes, size_t offset) {
    std::vector<int16_t> v;
    for (size_t i = offset; i + 1 < bytes.size(); i += 2) v.push_back((int16_t)Le16(bytes, i));
    return v;
}

std::vector<int16_t> ReadValues(const std::string &path, size_t offset) { return Values(ReadFile(path), offset); }

void WriteValues(const std::string &path, const std::vector<int16_t> &values) {
    ByteList b;
    for (int16_t v : values) Put16(b, (uint16_t)v);
    WriteFile(path, b);
}

uint32_t Le32(const ByteList &b, size_t at) {
    return (uint32_t)b.at(at) | (uint32_t)b.at(at + 1) << 8 | (uint32_t)b.at(at + 2) << 16 | (uint32_t)b.at(at + 3) << 24;
}
uint16_t Le16(const ByteList &b, size_t at) { return (uint16_t)(b.at(at) | b.at(at + 1) << 8); }
void Put16(ByteList &b, uint16_t v) {
    b.push_back((unsigned char)v);
    b.push_back((unsigned char)(v >> 8));
}
void Put32(ByteList &b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((unsigned char)(v >> (8 * i)));
}

ByteList Chunk(const char *id, uint32_t claimedSize, const ByteList &payload) {
    ByteList b(id, id + 4);
    Put32(b, claimedSize);
    b.insert(b.end(), payload.begin(), payload.end());
    if (payload.size() & 1) b.push_back(0);
    return b;
}

ByteList Chunk(const char *id, const ByteList &payload) { return Chunk(id, (uint32_t)payload.size(), payload); }

ByteList Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    ByteList b;
    Put16(b, tag);
    Put16(b, channels);
    Put32(b, rate);
    Put32(b, rate * channels * bits / 8);
    Put16(b, (uint16_t)(channels * bits / 8));
    Put16(b, bits);
    return b;
}

ByteList Riff(const std::vector<ByteList> &chunks) {
    ByteList body{'W', 'A', 'V', 'E'};
    for (const ByteList &c : chunks) body.insert(body.end(), c.begin(), c.end());
    ByteList b{'R', 'I', 'F', 'F'};
    Put32(b, (uint32_t)body.size());
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

ByteList PcmWave(uint16_t channels, uint32_t rate, uint16_t bits, const ByteList &data) {
    return Riff({Chunk("fmt ", Format(1, channels, rate, bits)), Chunk("data", data)});
}

ByteList WithList(const ByteList &wave, const char *beforeId) {
    // 21 bytes, an odd size, with "data" and a plausible size inside.
    static const char text[] = "INFOICMT\x09\0\0\0data\x10\0\0\0x";
    ByteList list = Chunk("LIST", ByteList(text, text + sizeof text - 1));
    size_t pos = 12;
    while (pos + 8 <= wave.size() && std::memcmp(&wave[pos], beforeId, 4) != 0) {
        uint32_t size = Le32(wave, pos + 4);
        pos += 8 + size + (size & 1);
    }
    ByteList out(wave.begin(), wave.begin() + (long)pos);
    out.insert(out.end(), list.begin(), list.end());
    out.insert(out.end(), wave.begin() + (long)pos, wave.end());
    uint32_t riff = (uint32_t)out.size() - 8;
    for (int i = 0; i < 4; ++i) out[4 + i] = (unsigned char)(riff >> (8 * i));
    return out;
}

std::string Run(const std::vector<std::string> &argv, int *status) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, (size_t)n);
    close(fds[0]);
    int st = -1;
    if (rc == 0) waitpid(pid, &st, 0);
    if (status) *status = rc == 0 && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

bool Soxi(const std::string &path, SoxInfo &info) {
    long *fields[] = {&info.rate, &info.channels, &info.bits, &info.frames};
    const char *options[] = {"-r", "-c", "-b", "-s"};
    for (int i = 0; i < 4; ++i) {
        int status;
        std::string out = Run({"soxi", options[i], path}, &status);
        if (status != 0 || out.empty()) return false;
        *fields[i] = std::stol(out);
    }
    return true;
}

bool SoxWave(const std::string &path, int bits, int channels, int rate, const std::vector<std::string> &more) {
    std::vector<std::string> argv{"sox", "-n", "-b", std::to_string(bits), "-c", std::to_string(channels), "-r",
                                  std::to_string(rate)};
    argv.insert(argv.end(), more.begin(), more.end());
    argv.push_back(path);
    for (const char *a : {"synth", "0.1", "sine", "440", "sine", "1250", "gain", "-3"}) argv.push_back(a);
    int status;
    Run(argv, &status);
    return status == 0 && Exists(path);
}

std::vector<int16_t> SoxValues(const std::string &path) {
    int status;
    std::string raw = Run({"sox", path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", "-"}, &status);
    if (status != 0) return {};
    return Values(ByteList(raw.begin(), raw.end()));
}

} // namespace wavetest

// The host's sound entry points, as a program with a sound player exports
// them: here they only note what reached them.
extern "C" __attribute__((visibility("default"))) void KmrPlaySound(const char *path) {
    wavetest::played.push_back(path ? path : "");
}
extern "C" __attribute__((visibility("default"))) void KmrStopSound() { ++wavetest::stops; }
