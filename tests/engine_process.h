// Drives the real engine binary as a front end would: started in a fresh working directory, fed lines on
// standard input, read on standard output.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

struct EngineProcess {
    std::string dir;       // its working directory
    pid_t pid = -1;
    int to_engine = -1;    // the engine's standard input
    int from_engine = -1;  // its standard output
    std::string output;    // everything read so far
    size_t consumed = 0;   // how much of `output` earlier expectations used up
};

int ms_since(std::chrono::steady_clock::time_point start);  // milliseconds since start
std::string make_temp_dir();  // a new empty directory under the test temp area
void remove_temp_dirs();      // removes every directory make_temp_dir made, with what is in it
void write_file(const std::string& dir, const std::string& name, const std::string& text);
std::string read_file(const std::string& dir, const std::string& name);  // the text, or "<missing>"
// Starts the engine binary (by default the xboard engine) in dir, kept in e.dir; false when it cannot.
bool start_engine(EngineProcess& e, const std::string& dir, const char* binary = nullptr);
void send_line(EngineProcess& e, const std::string& line);  // a newline is appended
// Reads until `needle` appears in the output after `consumed` (true, `consumed` moved past it) or time runs out.
bool expect_output(EngineProcess& e, const std::string& needle, int timeout_ms = 10000);
std::string pending_output(EngineProcess& e, int ms);  // reads for ms; returns the unconsumed output
// Closes the engine's input (or leaves it open) and waits for the exit: its status, or -1000 for a signal (it is
// killed after timeout_ms).
int wait_exit(EngineProcess& e, int timeout_ms = 10000, bool close_input = true);
