#include "tools/voxctl/tests/voxctl_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace vox::voxctl::testing {

VoxctlSandbox::VoxctlSandbox() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/voxctl-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    image_ = folder_ + "/recorder.img";
    std::filesystem::create_directory(folder_ + "/pc");
    environment_["VXR250_SIMULATOR"] = image_;
    environment_["VXR250_SIMULATOR_FAULTS"] = "";
}

VoxctlSandbox::~VoxctlSandbox() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

pid_t VoxctlSandbox::start(const std::vector<std::string>& arguments) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (!environment_.count(name)) environment.push_back(text);
    }
    for (const auto& [name, value] : environment_)
        if (!value.empty()) environment.push_back(name + "=" + value);

    std::vector<std::string> argv{VOXCTL_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argvPointers, envPointers;
    for (auto& argument : argv) argvPointers.push_back(argument.data());
    argvPointers.push_back(nullptr);
    for (auto& entry : environment) envPointers.push_back(entry.data());
    envPointers.push_back(nullptr);

    const std::string out = folder_ + "/run" + std::to_string(++runs_) + ".out";
    const std::string err = folder_ + "/run" + std::to_string(runs_) + ".err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = -1;
    const int failed = posix_spawn(&child, argv[0].c_str(), &actions, nullptr, argvPointers.data(),
                                   envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw std::runtime_error("cannot start " + argv[0]);
    outputs_[child] = {out, err};
    return child;
}

Finished VoxctlSandbox::wait(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    Finished finished;
    finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    finished.out = readFile(outputs_[child].first);
    finished.err = readFile(outputs_[child].second);
    outputs_.erase(child);
    return finished;
}

std::string VoxctlSandbox::outputSoFar(pid_t child) const {
    const auto found = outputs_.find(child);
    return found == outputs_.end() ? std::string() : readFile(found->second.first);
}

Finished VoxctlSandbox::run(const std::vector<std::string>& arguments) {
    return wait(start(arguments));
}

bool VoxctlSandbox::waitUntilCatchingInterrupt(pid_t child) {
    // /proc shows the signals a process catches as a hexadecimal mask. The
    // handlers are set one after the other: a test may send any of them only
    // once all are set, or the signal ends the process before it could act.
    constexpr unsigned long long kInterrupts =
        (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1)) | (1ull << (SIGHUP - 1));
    const std::string statusPath = "/proc/" + std::to_string(child) + "/status";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        std::istringstream status(readFile(statusPath));
        for (std::string line; std::getline(status, line);)
            if (line.rfind("SigCgt:", 0) == 0 &&
                (std::stoull(line.substr(7), nullptr, 16) & kInterrupts) == kInterrupts)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void reachThroughLibusbStandin(VoxctlSandbox& sandbox, const std::string& standin) {
    sandbox.setEnvironment("VXR250_SIMULATOR", "");
    sandbox.setEnvironment("LD_PRELOAD", standin);
    sandbox.setEnvironment("LIBUSB_STANDIN_IMAGE", sandbox.image());
    // An instrumented stand-in comes ahead of the sanitizer's runtime.
    const char* asan = std::getenv("ASAN_OPTIONS");
    sandbox.setEnvironment("ASAN_OPTIONS",
                           std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0");
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string patternBytes(std::size_t bytes, unsigned seed) {
    std::string content(bytes, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& c : content) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return content;
}

bool exists(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void put16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v));
    out.push_back(static_cast<char>(v >> 8));
}

}  // namespace

std::string wave(int channels, std::uint32_t rate, int samples) {
    std::string fmt;
    put16(fmt, 1);
    put16(fmt, static_cast<std::uint16_t>(channels));
    put32(fmt, rate);
    put32(fmt, rate * 2 * static_cast<std::uint32_t>(channels));
    put16(fmt, static_cast<std::uint16_t>(2 * channels));
    put16(fmt, 16);
    std::string data;
    for (int i = 0; i < samples * channels; ++i)
        put16(data, static_cast<std::uint16_t>(i % 40 < 20 ? 3000 : -3000));
    std::string file = "RIFF";
    put32(file, static_cast<std::uint32_t>(4 + 8 + fmt.size() + 8 + data.size()));
    file += "WAVEfmt ";
    put32(file, static_cast<std::uint32_t>(fmt.size()));
    file += fmt + "data";
    put32(file, static_cast<std::uint32_t>(data.size()));
    return file + data;
}

SmallFileSystem::SmallFileSystem(std::string folder) : folder_(std::move(folder)) {
    std::filesystem::create_directory(folder_);
    if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") != 0)
        error_ = std::strerror(errno);
}

SmallFileSystem::~SmallFileSystem() {
    if (mounted()) ::umount2(folder_.c_str(), MNT_DETACH);
}

}  // namespace vox::voxctl::testing
