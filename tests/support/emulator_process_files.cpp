// The emulator's files, the same on every platform (Windows accepts '/' too).
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "emulator_process.h"

namespace pixavon::test {
namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::string EmulatorProcess::device_dir() const { return temp_dir_ + "/dev"; }
std::string EmulatorProcess::card_path() const { return temp_dir_ + "/card.bin"; }
std::string EmulatorProcess::trace_path() const { return temp_dir_ + "/trace.txt"; }
std::string EmulatorProcess::socket_path() const { return socket_path_; }

std::vector<uint8_t> EmulatorProcess::card_bytes() const {
    const std::string data = read_file(card_path());
    return {data.begin(), data.end()};
}

void EmulatorProcess::write_card_bytes(const std::vector<uint8_t>& bytes) {
    std::ofstream out(card_path(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + card_path());
}

std::vector<std::string> EmulatorProcess::trace_lines() const {
    std::istringstream in(read_file(trace_path()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string EmulatorProcess::stderr_text() const { return read_file(temp_dir_ + "/stderr.txt"); }

}  // namespace pixavon::test
