// A damaged install: the game started (one process per case, a few at a time) with each entry of
// its pack in turn missing, cut short, with bytes flipped or with a wrong size in the directory,
// with no pack at all, without its WAV files and without a sound device. In every case it starts,
// gets as far as its data allows and never crashes; the table of outcomes is printed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/platform_main.h"
#include "storage/pack.h"
#include "support/test_support.h"
#include "tools/harness/harness.h"
#include "tools/writers/pack_writer.h"

namespace {

const std::string kBuild = ZV_BINARY_DIR "/";
const std::string kProbe = kBuild + "tools/zorvane-soak";
const char* const kSounds[] = {"bush1.wav", "bush2.wav", "hittree.wav", "pickup.wav",
                               "ambient_short2.wav"};

// The game's own pack, entry by entry, read with the game's reader.
std::vector<PackInput> gamePackEntries() {
    std::vector<PackInput> entries;
    if (!openPack((kBuild + kPackFileName).c_str())) return entries;
    for (int i = 0; i < packEntryCount(); ++i) {
        PackEntry entry;
        const char* name = packEntryName(i, &entry);
        uint8_t* bytes = loadEntry(name);
        if (!bytes) continue;
        entries.push_back({name, std::vector<uint8_t>(bytes, bytes + entry.unpackedSize)});
        delete[] bytes;
    }
    closePack();
    // A game started in this process keeps its pack open.
    if (harness::started() && g_platform.packPath) openPack(g_platform.packPath);
    return entries;
}

// Bytes flipped: a few in the first sixteen (where the counts and sizes of most formats are) and
// eight spread over the rest.
void flipBytes(std::vector<uint8_t>* bytes) {
    const size_t n = bytes->size();
    for (size_t at : {size_t{2}, size_t{5}, size_t{9}, size_t{14}})
        if (at < n) (*bytes)[at] ^= 0xFF;
    for (size_t i = 1; i <= 8; ++i) (*bytes)[n * i / 9] ^= 0x5A;
}

// The directory of a built pack says the entry at index unpacks to another size.
bool setUnpackedSize(std::vector<uint8_t>* pack, size_t index, uint32_t size) {
    size_t at = kPackHeaderBytes;
    for (size_t i = 0; at < pack->size(); ++i) {
        while (at < pack->size() && (*pack)[at] != 0) ++at;
        at += 1;  // the name's NUL; then u24 stored size, u8 flags, u24 unpacked size, u8
        if (at + 8 > pack->size()) return false;
        if (i == index) {
            for (int b = 0; b < 3; ++b) (*pack)[at + 4 + b] = static_cast<uint8_t>(size >> (8 * b));
            return true;
        }
        at += 8;
    }
    return false;
}

struct Case {
    std::string row, column;  // for the table
    std::string folder;
    const char* audio = nullptr;  // SDL audio driver, when not the dummy one
    // Outcome
    int status = -1;           // exit status; 100 + signal when a signal ended it
    std::string probe;         // the probe's line
    std::string printed;
};

// An install folder with this pack (none when empty) and these sounds.
std::string makeInstall(const std::vector<uint8_t>* pack, bool sounds, const char* skipSound) {
    const std::string folder = zvtest::makeTempFolder();
    if (pack)
        zvtest::writeFile(folder + kPackFileName, std::string(pack->begin(), pack->end()));
    if (sounds)
        for (const char* s : kSounds)
            if (!skipSound || std::string(s) != skipSound)
                symlink((kBuild + s).c_str(), (folder + s).c_str());
    return folder;
}

// Runs the cases, a few processes at a time.
void runAll(std::vector<Case>* cases) {
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    const size_t parallel = static_cast<size_t>(cores > 1 ? cores : 2);
    std::map<pid_t, Case*> running;
    size_t next = 0;
    while (next < cases->size() || !running.empty()) {
        while (next < cases->size() && running.size() < parallel) {
            Case* c = &(*cases)[next++];
            pid_t pid = fork();
            if (pid == 0) {
                const std::string out = c->folder + "printed.txt";
                if (!freopen(out.c_str(), "w", stdout) || dup2(fileno(stdout), 2) < 0) _exit(126);
                std::vector<const char*> args = {kProbe.c_str(), "--probe", "--data",
                                                 c->folder.c_str()};
                if (c->audio) {
                    args.push_back("--audio-driver");
                    args.push_back(c->audio);
                }
                args.push_back(nullptr);
                execv(kProbe.c_str(), const_cast<char* const*>(args.data()));
                _exit(127);
            }
            if (pid > 0) running[pid] = c;
        }
        int status = 0;
        pid_t done = wait(&status);
        if (done < 0) break;
        auto it = running.find(done);
        if (it == running.end()) continue;
        Case* c = it->second;
        running.erase(it);
        c->status = WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
        c->printed = zvtest::readFile(c->folder + "printed.txt");
        const size_t at = c->printed.rfind("probe: ");
        if (at != std::string::npos)
            c->probe = c->printed.substr(at + 7, c->printed.find('\n', at) - at - 7);
    }
}

// "menu+run", "menu", "loading" or "crash (...)": how far a case got.
std::string outcome(const Case& c) {
    if (c.status >= 100) return "CRASH (signal " + std::to_string(c.status - 100) + ")";
    if (c.status != 0 || c.probe.empty()) return "FAILED (status " + std::to_string(c.status) + ")";
    auto has = [&](const char* what) { return c.probe.find(what) != std::string::npos; };
    if (has("running 1")) return "menu+run";
    if (has("run 1")) return "menu+run start";
    if (has("menu 1")) return "menu";
    if (has("loading 1")) return "loading";
    return "started";
}

TEST(BadAssets, TheGameStartsAndNeverCrashesWithDamagedData) {
    const std::vector<PackInput> entries = gamePackEntries();
    ASSERT_GT(entries.size(), 10u) << "no game pack in " << kBuild;
    std::string error;
    std::vector<uint8_t> whole;
    ASSERT_TRUE(buildPack(entries, &whole, &error)) << error;

    std::vector<Case> cases;
    const char* const kColumns[4] = {"missing", "truncated", "flipped", "wrong size"};
    for (size_t e = 0; e < entries.size(); ++e) {
        for (const char* column : kColumns) {
            std::vector<PackInput> altered = entries;
            const std::string kind = column;
            if (kind == "missing") altered.erase(altered.begin() + static_cast<long>(e));
            if (kind == "truncated") altered[e].bytes.resize(altered[e].bytes.size() / 2);
            if (kind == "flipped") flipBytes(&altered[e].bytes);
            std::vector<uint8_t> pack;
            ASSERT_TRUE(buildPack(altered, &pack, &error)) << error;
            if (kind == "wrong size") {
                const uint32_t size = static_cast<uint32_t>(entries[e].bytes.size());
                ASSERT_TRUE(setUnpackedSize(&pack, e, size / 2 + 1 == size ? size + 7 : size / 2 + 1));
            }
            Case c;
            c.row = entries[e].name;
            c.column = column;
            c.folder = makeInstall(&pack, true, nullptr);
            cases.push_back(c);
        }
    }
    auto whole_case = [&](const std::string& row, const std::vector<uint8_t>* pack, bool sounds,
                          const char* skipSound, const char* audio) {
        Case c;
        c.row = row;
        c.column = "-";
        c.folder = makeInstall(pack, sounds, skipSound);
        c.audio = audio;
        cases.push_back(c);
    };
    const std::vector<uint8_t> half(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2));
    const std::vector<uint8_t> header(whole.begin(), whole.begin() + 8);
    whole_case("intact (for comparison)", &whole, true, nullptr, nullptr);
    whole_case("no packres.bin", nullptr, true, nullptr, nullptr);
    whole_case("packres.bin cut in half", &half, true, nullptr, nullptr);
    whole_case("packres.bin header only", &header, true, nullptr, nullptr);
    for (const char* s : kSounds)
        whole_case(std::string("no ") + s, &whole, true, s, nullptr);
    whole_case("no WAV files", &whole, false, nullptr, nullptr);
    whole_case("no sound device", &whole, true, nullptr, "nosuchdriver");
    whole_case("no WAV files, no sound device", &whole, false, nullptr, "nosuchdriver");

    runAll(&cases);

    std::printf("%-34s %-16s %-16s %-16s %-16s\n", "entry", kColumns[0], kColumns[1],
                kColumns[2], kColumns[3]);
    for (size_t i = 0; i < cases.size();) {
        std::printf("%-34s", cases[i].row.c_str());
        const std::string row = cases[i].row;
        for (; i < cases.size() && cases[i].row == row; ++i)
            std::printf(" %-16s", outcome(cases[i]).c_str());
        std::printf("\n");
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row + " " + c.column);
        // Never a crash, never a sanitizer report (which ends the process with a failure).
        ASSERT_EQ(c.status, 0) << c.printed.substr(c.printed.size() > 3000 ? c.printed.size() - 3000 : 0);
        ASSERT_FALSE(c.probe.empty()) << c.printed;
        // Loading is never stuck: the menus are built in code and the flow goes on without
        // the pieces it could not load.
        EXPECT_NE(c.probe.find("menu 1"), std::string::npos) << c.probe;
    }
    // With everything in place the run starts and runs.
    for (const Case& c : cases) {
        if (c.row == "intact (for comparison)") {
            EXPECT_EQ(outcome(c), "menu+run") << c.probe;
        }
    }
}

}  // namespace
