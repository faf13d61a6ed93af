#include "Support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace support {

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "lindquay-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string Pattern(std::size_t size, unsigned seed) {
    std::string s(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

std::uint16_t Le16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}

std::uint32_t Le32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(Le16(b, at)) | static_cast<std::uint32_t>(Le16(b, at + 2)) << 16;
}

Package ParsePackage(const std::string& bytes, std::size_t offset) {
    Package p;
    std::size_t at = offset;
    for (;;) {
        if (at % 2 != 0) {
            p.problem = "item at odd offset " + std::to_string(at);
            return p;
        }
        if (at + 272 > bytes.size()) {
            p.problem = "record past the end at " + std::to_string(at);
            return p;
        }
        const std::string rec = bytes.substr(at, 272);
        const std::size_t nul = rec.find('\0');
        if (nul == std::string::npos || nul >= 260) {
            p.problem = "name without NUL at " + std::to_string(at);
            return p;
        }
        if (rec.find_first_not_of('\0', nul) < 260) {
            p.problem = "bytes after the name's NUL at " + std::to_string(at);
            return p;
        }
        Item item;
        item.name = rec.substr(0, nul);
        const std::uint32_t isDir = Le32(rec, 260), size = Le32(rec, 264), odd = Le32(rec, 268);
        at += 272;
        if (item.name.empty()) {
            if (rec.find_first_not_of('\0') != std::string::npos) {
                p.problem = "end record not all zero";
                return p;
            }
            p.ok = true;
            p.end = at;
            return p;
        }
        if (isDir > 1 || odd != (size & 1) || (isDir == 1 && size != 0) || (isDir == 0 && size == 0)) {
            p.problem = "bad fields for " + item.name;
            return p;
        }
        item.isDir = isDir == 1;
        if (at + size + odd > bytes.size()) {
            p.problem = "data past the end for " + item.name;
            return p;
        }
        item.data = bytes.substr(at, size);
        at += size;
        if (odd) {
            if (bytes[at] != '!') {
                p.problem = "fill byte is not '!' for " + item.name;
                return p;
            }
            ++at;
        }
        p.items.push_back(item);
    }
}

std::vector<std::string> Names(const Package& p) {
    std::vector<std::string> names;
    for (const auto& i : p.items) names.push_back(i.name);
    return names;
}

namespace {

std::string Drain(int fd) {
    std::string s;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        s.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return s;
}

}  // namespace

RunResult RunProgram(const std::vector<std::string>& argv, const std::string& cwd,
                     const std::vector<std::string>& extraEnv) {
    RunResult r;
    fs::path errPath = fs::temp_directory_path() / ("lindquay-err-" + std::to_string(::getpid()));
    int outPipe[2];
    if (::pipe(outPipe) != 0) return r;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, outPipe[1], 1);
    posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addclose(&fa, outPipe[0]);
    posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const auto& x : extraEnv) replaced = replaced || x.rfind(name, 0) == 0;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> cargv, cenv;
    for (const auto& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
    cargv.push_back(nullptr);
    for (const auto& e : env) cenv.push_back(const_cast<char*>(e.c_str()));
    cenv.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawn(&pid, cargv[0], &fa, nullptr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&fa);
    ::close(outPipe[1]);
    if (rc != 0) {
        ::close(outPipe[0]);
        return r;
    }
    r.out = Drain(outPipe[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.err = ReadFile(errPath);
    fs::remove(errPath);
    return r;
}

ProgramFolder::ProgramFolder(const TempDir& root, std::size_t romSize) {
    dir = root / "prog";
    fs::create_directories(dir);
    lindquay = dir + "/Lindquay";
    fs::copy_file(LINDQUAY_BIN, lindquay);
    baseRom = dir + "/Lindquay.rom";
    WriteFile(baseRom, Pattern(romSize, 7));
#ifdef MARLET_LIB
    fs::copy_file(MARLET_LIB, dir + "/" + fs::path(MARLET_LIB).filename().string());
#endif
#ifdef GLIMMET_BIN
    fs::copy_file(GLIMMET_BIN, dir + "/glimmet");
#endif
}

}  // namespace support
