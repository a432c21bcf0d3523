#include "engine_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

namespace {

std::vector<std::string>& temp_dirs() {
    static std::vector<std::string> made;
    return made;
}

// Appends what the engine writes within ms: the bytes read, 0 when none came, -1 at the end of its output.
int read_some(EngineProcess& e, int ms) {
    pollfd p{e.from_engine, POLLIN, 0};
    if (poll(&p, 1, ms < 0 ? 0 : ms) <= 0) return 0;
    char buffer[4096];
    const ssize_t n = read(e.from_engine, buffer, sizeof buffer);
    if (n > 0) e.output.append(buffer, size_t(n));
    return n > 0 ? int(n) : -1;
}

}  // namespace

int ms_since(std::chrono::steady_clock::time_point start) {
    using namespace std::chrono;
    return int(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

std::string make_temp_dir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vexmoth-test-XXXXXX";
    if (!mkdtemp(&pattern[0])) return "";
    temp_dirs().push_back(pattern);
    return pattern;
}

void remove_temp_dirs() {
    std::error_code ignored;
    for (const std::string& dir : temp_dirs()) std::filesystem::remove_all(dir, ignored);
    temp_dirs().clear();
}

void write_file(const std::string& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir + "/" + name, std::ios::binary) << text;
}

std::string read_file(const std::string& dir, const std::string& name) {
    std::ifstream in(dir + "/" + name, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

bool start_engine(EngineProcess& e, const std::string& dir, const char* binary) {
    if (!binary) binary = VEXMOTH_ENGINE;
    e.dir = dir;
    int in_pipe[2], out_pipe[2];
    if (pipe(in_pipe) || pipe(out_pipe) || (e.pid = fork()) < 0) return false;
    if (e.pid == 0) {
        dup2(in_pipe[0], 0);
        dup2(out_pipe[1], 1);
        for (const int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1]}) close(fd);  // 0 and 1 stay
        if (chdir(dir.c_str()) == 0) execl(binary, binary, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    e.to_engine = in_pipe[1];
    e.from_engine = out_pipe[0];
    signal(SIGPIPE, SIG_IGN);
    return true;
}

void send_line(EngineProcess& e, const std::string& line) {
    const std::string text = line + "\n";
    if (write(e.to_engine, text.data(), text.size()) < 0) return;  // gone: the expectations that follow say so
}

bool expect_output(EngineProcess& e, const std::string& needle, int timeout_ms) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const size_t at = e.output.find(needle, e.consumed);
        if (at != std::string::npos) {
            e.consumed = at + needle.size();
            return true;
        }
        const int left = timeout_ms - ms_since(start);
        if (left <= 0 || read_some(e, left) < 0) return false;
    }
}

std::string pending_output(EngineProcess& e, int ms) {
    expect_output(e, std::string(1, '\0'), ms);  // a byte the engine never writes: reads for the whole time
    return e.output.substr(e.consumed);
}

int wait_exit(EngineProcess& e, int timeout_ms, bool close_input) {
    if (close_input && e.to_engine >= 0) close(std::exchange(e.to_engine, -1));
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    while (waitpid(e.pid, &status, WNOHANG) == 0) {
        if (ms_since(start) > timeout_ms) kill(e.pid, SIGKILL);  // reaped in the next round: -1000
        read_some(e, 20);
    }
    while (e.output.size() < (1u << 24) && read_some(e, 0) > 0) {
    }
    if (e.to_engine >= 0) close(e.to_engine);
    close(e.from_engine);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
}
