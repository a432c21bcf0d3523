#include "engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

int elapsed_ms(std::chrono::steady_clock::time_point start) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                   .count());
}

// Appends what the engine wrote within ms; false at end of output.
bool read_some(EngineProcess& e, int ms) {
    pollfd p{e.from_engine, POLLIN, 0};
    if (poll(&p, 1, ms < 0 ? 0 : ms) <= 0) return true;
    char buffer[4096];
    const ssize_t n = read(e.from_engine, buffer, sizeof buffer);
    if (n <= 0) return false;
    e.output.append(buffer, size_t(n));
    return true;
}

}  // namespace

std::string make_temp_dir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vexmoth-test-XXXXXX";
    if (!mkdtemp(&pattern[0])) return "";
    return pattern;
}

void write_file(const std::string& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir + "/" + name, std::ios::binary) << text;
}

std::string read_file(const std::string& dir, const std::string& name) {
    std::ifstream in(dir + "/" + name, std::ios::binary);
    if (!in) return "<missing>";
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool start_engine(EngineProcess& e, const std::string& dir, const char* binary) {
    if (!binary) binary = VEXMOTH_ENGINE;
    e.dir = dir;
    int in_pipe[2], out_pipe[2];
    if (pipe(in_pipe) || pipe(out_pipe)) return false;
    e.pid = fork();
    if (e.pid < 0) return false;
    if (e.pid == 0) {
        dup2(in_pipe[0], 0);
        dup2(out_pipe[1], 1);
        close(in_pipe[1]);
        close(out_pipe[0]);
        if (chdir(dir.c_str()) != 0) _exit(127);
        execl(binary, binary, static_cast<char*>(nullptr));
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
    if (write(e.to_engine, text.data(), text.size()) < 0) {
        // The engine has gone; the expectations that follow report it.
    }
}

bool expect_output(EngineProcess& e, const std::string& needle, int timeout_ms) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const size_t at = e.output.find(needle, e.consumed);
        if (at != std::string::npos) {
            e.consumed = at + needle.size();
            return true;
        }
        const int left = timeout_ms - elapsed_ms(start);
        if (left <= 0 || !read_some(e, left)) return e.output.find(needle, e.consumed) != std::string::npos;
    }
}

std::string pending_output(EngineProcess& e, int ms) {
    const auto start = std::chrono::steady_clock::now();
    while (elapsed_ms(start) < ms && read_some(e, ms - elapsed_ms(start))) {
    }
    return e.output.substr(e.consumed);
}

int wait_exit(EngineProcess& e, int timeout_ms, bool close_input) {
    if (close_input && e.to_engine >= 0) {
        close(e.to_engine);
        e.to_engine = -1;
    }
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    while (waitpid(e.pid, &status, WNOHANG) == 0) {
        if (elapsed_ms(start) > timeout_ms) {
            kill(e.pid, SIGKILL);
            waitpid(e.pid, &status, 0);
            return -1000;
        }
        read_some(e, 20);
    }
    while (read_some(e, 0) && e.output.size() < (1u << 24)) {
        pollfd p{e.from_engine, POLLIN, 0};
        if (poll(&p, 1, 0) <= 0) break;
    }
    if (e.to_engine >= 0) close(e.to_engine);
    close(e.from_engine);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
}
